#include "Cp1250.h"

#include <cstdio>
#include <stdexcept>

namespace cp1250 {
namespace {

// Unicode of the codes 0x80 to 0xFF; 0 where the code page has no character.
constexpr char16_t kHighHalf[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The unaccented letter of each code 0x80 to 0xFF; a space marks a code
// that is no letter. One line per 16 codes.
constexpr char kBaseLetters[] =
    "          S STZZ"  // 0x80
    "          s stzz"  // 0x90
    "   L A    S    Z"  // 0xA0
    "   l u   as L lz"  // 0xB0
    "RAAAALCCCEEEEIID"  // 0xC0
    "DNNOOOO RUUUUYTs"  // 0xD0
    "raaaalccceeeeiid"  // 0xE0
    "dnnoooo ruuuuyt "  // 0xF0
    ;
static_assert(sizeof kBaseLetters == 128 + 1);

}  // namespace

char32_t ToUnicode(uint8_t code) {
  if (code < 0x80) return code;
  return kHighHalf[code - 0x80];
}

std::optional<uint8_t> FromUnicode(char32_t ch) {
  if (ch < 0x80) return static_cast<uint8_t>(ch);
  for (int i = 0; i < 128; ++i)
    if (kHighHalf[i] != 0 && kHighHalf[i] == ch) return static_cast<uint8_t>(0x80 + i);
  return std::nullopt;
}

bool IsExtendedLetter(uint8_t code) { return BaseLetter(code) != 0; }

char BaseLetter(uint8_t code) {
  if (code < 0x80) return 0;
  const char c = kBaseLetters[code - 0x80];
  return c == ' ' ? 0 : c;
}

std::string FromUtf8(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                    : (lead & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size())
      throw std::invalid_argument("bad UTF-8 at byte " + std::to_string(i));
    char32_t ch = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) throw std::invalid_argument("bad UTF-8 at byte " + std::to_string(i));
      ch = ch << 6 | (next & 0x3F);
    }
    const auto code = FromUnicode(ch);
    if (!code) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(ch));
      throw std::invalid_argument(std::string(name) + " is not in Windows-1250");
    }
    out.push_back(static_cast<char>(*code));
    i += 1 + extra;
  }
  return out;
}

}  // namespace cp1250
