// Paint planes, flash phases and the picture of the simulation window.
#include "Tsiml.h"

void Tsiml::SetUpPlanes() {}
void Tsiml::SizeWindow() {}
void Tsiml::UnpackPlanes() {}
void Tsiml::StepFlashPhase() {}
void Tsiml::PaintRows() {}
void Tsiml::ReleasePlanes() {}
