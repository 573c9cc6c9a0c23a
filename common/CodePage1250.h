#pragma once
// Windows-1250, the 8-bit code page of Central and East European texts
// that the signs' fonts are drawn for: byte 0x8A is Š, 0xE8 is č, 0xEC is ě.
// Bytes 0x00 to 0x7F are ASCII.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The byte for character c, or nothing when the code page has no byte for
// it. The five bytes the code page leaves unassigned (0x81, 0x83, 0x88,
// 0x90, 0x98) stand for the control characters of the same number, as in
// Windows' own conversion, so every byte decodes and encodes back.
std::optional<uint8_t> EncodeCp1250(char32_t c);

// The character (Unicode code point) that byte stands for.
char32_t DecodeCp1250(uint8_t byte);

// A text encoded: its bytes, or the position of the first character the
// code page cannot hold (then bytes holds the characters before it).
struct Cp1250Text {
  std::vector<uint8_t> bytes;
  std::optional<std::size_t> unencodableAt;
};
Cp1250Text EncodeCp1250(std::u32string_view text);

// Bytes in the code page as characters, one per byte (for showing a
// received text).
std::u32string DecodeCp1250(std::span<const uint8_t> bytes);
