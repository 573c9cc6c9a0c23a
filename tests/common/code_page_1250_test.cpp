#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "CodePage1250.h"

namespace {

// The character glibc's own CP1250 converter gives for byte, or nothing
// for a byte the code page leaves unassigned.
std::optional<char32_t> GlibcDecode(uint8_t byte) {
  iconv_t cd = iconv_open("UTF-32LE", "CP1250");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[4] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = 1, outLeft = 4;
  const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1) || outLeft != 0) return std::nullopt;
  return char32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

TEST(CodePage1250, EveryAssignedByteMatchesGlibcsConverter) {
  const iconv_t probe = iconv_open("UTF-32LE", "CP1250");
  ASSERT_NE(probe, reinterpret_cast<iconv_t>(-1)) << "glibc has no CP1250 converter";
  iconv_close(probe);
  int unassigned = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const std::optional<char32_t> expected = GlibcDecode(static_cast<uint8_t>(byte));
    if (!expected) {
      ++unassigned;
      // Unassigned bytes stand for the control character of their number.
      EXPECT_EQ(DecodeCp1250(static_cast<uint8_t>(byte)), char32_t(byte)) << byte;
      continue;
    }
    EXPECT_EQ(DecodeCp1250(static_cast<uint8_t>(byte)), *expected) << byte;
  }
  EXPECT_EQ(unassigned, 5);
}

TEST(CodePage1250, EveryByteEncodesBackToItself) {
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(EncodeCp1250(DecodeCp1250(static_cast<uint8_t>(byte))), byte) << byte;
  }
}

TEST(CodePage1250, CzechLettersBecomeTheirBytes) {
  const std::u32string text = U"Příliš žluťoučký kůň úpěl ďábelské ódy ČĎĚŇŘŠŤŮŽ €";
  const std::vector<uint8_t> expected = {
      'P',  0xF8, 0xED, 'l',  'i',  0x9A, ' ',  0x9E, 'l',  'u',  0x9D, 'o',  'u',
      0xE8, 'k',  0xFD, ' ',  'k',  0xF9, 0xF2, ' ',  0xFA, 'p',  0xEC, 'l',  ' ',
      0xEF, 0xE1, 'b',  'e',  'l',  's',  'k',  0xE9, ' ',  0xF3, 'd',  'y',  ' ',
      0xC8, 0xCF, 0xCC, 0xD2, 0xD8, 0x8A, 0x8D, 0xD9, 0x8E, ' ',  0x80};
  const Cp1250Text encoded = EncodeCp1250(text);
  EXPECT_EQ(encoded.unencodableAt, std::nullopt);
  EXPECT_EQ(encoded.bytes, expected);
  EXPECT_EQ(DecodeCp1250(expected), text);
}

TEST(CodePage1250, TheFirstCharacterWithoutAByteIsNamed) {
  const struct {
    std::u32string text;
    std::size_t at;
  } cases[] = {
      {U"aΩb", 1},             // Greek
      {U"ã", 0},               // Latin, but not Central European
      {U"ok\U0001F600", 2},    // outside the basic plane
      {U"x\uFFFD", 1},         // the replacement character of a bad input
      {U"Ž\u0100", 1},
  };
  for (const auto& c : cases) {
    const Cp1250Text encoded = EncodeCp1250(c.text);
    EXPECT_EQ(encoded.unencodableAt, c.at);
    EXPECT_EQ(encoded.bytes.size(), c.at);
  }
}

}  // namespace
