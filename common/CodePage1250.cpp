#include "CodePage1250.h"

#include <array>

namespace {

// The characters of bytes 0x80 to 0xFF; bytes below 0x80 are ASCII.
constexpr std::array<char16_t, 128> kUpperHalf = {
    // 0x80
    u'\u20AC', u'\u0081', u'\u201A', u'\u0083', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u0088', u'\u2030', u'\u0160', u'\u2039', u'\u015A', u'\u0164', u'\u017D', u'\u0179',
    // 0x90
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u0098', u'\u2122', u'\u0161', u'\u203A', u'\u015B', u'\u0165', u'\u017E', u'\u017A',
    // 0xA0
    u'\u00A0', u'\u02C7', u'\u02D8', u'\u0141', u'\u00A4', u'\u0104', u'\u00A6', u'\u00A7',
    u'\u00A8', u'\u00A9', u'\u015E', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u017B',
    // 0xB0
    u'\u00B0', u'\u00B1', u'\u02DB', u'\u0142', u'\u00B4', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u00B8', u'\u0105', u'\u015F', u'\u00BB', u'\u013D', u'\u02DD', u'\u013E', u'\u017C',
    // 0xC0
    u'\u0154', u'\u00C1', u'\u00C2', u'\u0102', u'\u00C4', u'\u0139', u'\u0106', u'\u00C7',
    u'\u010C', u'\u00C9', u'\u0118', u'\u00CB', u'\u011A', u'\u00CD', u'\u00CE', u'\u010E',
    // 0xD0
    u'\u0110', u'\u0143', u'\u0147', u'\u00D3', u'\u00D4', u'\u0150', u'\u00D6', u'\u00D7',
    u'\u0158', u'\u016E', u'\u00DA', u'\u0170', u'\u00DC', u'\u00DD', u'\u0162', u'\u00DF',
    // 0xE0
    u'\u0155', u'\u00E1', u'\u00E2', u'\u0103', u'\u00E4', u'\u013A', u'\u0107', u'\u00E7',
    u'\u010D', u'\u00E9', u'\u0119', u'\u00EB', u'\u011B', u'\u00ED', u'\u00EE', u'\u010F',
    // 0xF0
    u'\u0111', u'\u0144', u'\u0148', u'\u00F3', u'\u00F4', u'\u0151', u'\u00F6', u'\u00F7',
    u'\u0159', u'\u016F', u'\u00FA', u'\u0171', u'\u00FC', u'\u00FD', u'\u0163', u'\u02D9',
};

}  // namespace

std::optional<uint8_t> EncodeCp1250(char32_t c) {
  if (c < 0x80) return static_cast<uint8_t>(c);
  // 128 entries: a plain search is as quick as any map here.
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == c) return static_cast<uint8_t>(0x80 + i);
  }
  return std::nullopt;
}

char32_t DecodeCp1250(uint8_t byte) {
  return byte < 0x80 ? char32_t{byte} : char32_t{kUpperHalf[byte - 0x80]};
}

Cp1250Text EncodeCp1250(std::u32string_view text) {
  Cp1250Text result;
  result.bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::optional<uint8_t> byte = EncodeCp1250(text[i]);
    if (!byte) {
      result.unencodableAt = i;
      break;
    }
    result.bytes.push_back(*byte);
  }
  return result;
}

std::u32string DecodeCp1250(std::span<const uint8_t> bytes) {
  std::u32string text;
  text.reserve(bytes.size());
  for (uint8_t byte : bytes) text.push_back(DecodeCp1250(byte));
  return text;
}
