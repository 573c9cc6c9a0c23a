#pragma once
// Windows-1250, the code page of the sign's texts: a character code is the
// byte value itself, and the font files hold one glyph per code.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cp1250 {

// The Unicode character of a code, or 0 for the five codes the code page
// leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98). Codes below 0x80 are ASCII.
char32_t ToUnicode(uint8_t code);

// The code of a Unicode character, or nothing when the code page lacks it.
std::optional<uint8_t> FromUnicode(char32_t ch);

// True for the letters above 0x7F (Czech, Slovak, Polish, Hungarian,
// German, Romanian letters with their accents, and ß and µ).
bool IsExtendedLetter(uint8_t code);

// The ASCII letter an extended letter is drawn as in fonts too low for
// accents (Č → C, ł → l, ß → s); 0 for a code that is no extended letter.
char BaseLetter(uint8_t code);

// The UTF-8 text as codes. Throws std::invalid_argument on bad UTF-8 or a
// character the code page lacks.
std::string FromUtf8(std::string_view text);

}  // namespace cp1250
