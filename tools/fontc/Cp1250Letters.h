#pragma once
// The letters of Windows-1250 above ASCII, which every font of the sign must
// draw (the code page itself is common/CodePage1250.h).
#include <cstdint>

namespace cp1250 {

// True for the letters above 0x7F: Czech, Slovak, Polish, Hungarian,
// German and Romanian letters with their accents, and ß and µ.
bool IsExtendedLetter(uint8_t code);

// The ASCII letter an extended letter is drawn as in fonts too low for
// accents (Č → C, ł → l, ß → s); 0 for a code that is no extended letter.
char BaseLetter(uint8_t code);

}  // namespace cp1250
