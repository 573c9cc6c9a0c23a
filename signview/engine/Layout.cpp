// Text layout and markup: the current text laid out into the frame buffer.
#include "Tsiml.h"

void Tsiml::LayoutText() {}
void Tsiml::EnterLine(uint8_t) {}
void Tsiml::PlanUpperLine() {}
bool Tsiml::PlanLowerLine() { return false; }
uint8_t Tsiml::ReplanForFont(uint8_t line) { return line; }
void Tsiml::FormatClock(int, char dest[16]) { dest[0] = 0; }
