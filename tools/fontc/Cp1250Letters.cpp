#include "Cp1250Letters.h"

namespace cp1250 {
namespace {

// The plain letter of each code 0x80 to 0xFF; a space marks a code that is
// no letter. One line per 16 codes.
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

bool IsExtendedLetter(uint8_t code) { return BaseLetter(code) != 0; }

char BaseLetter(uint8_t code) {
  if (code < 0x80) return 0;
  const char c = kBaseLetters[code - 0x80];
  return c == ' ' ? 0 : c;
}

}  // namespace cp1250
