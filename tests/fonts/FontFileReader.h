#pragma once
// Reads the sign's font-file format byte by byte, for tests that check font
// files against the format itself rather than against the code that wrote
// or rasterizes them. Every access is bounds-checked: a record that does not
// lie wholly inside the bytes is reported, never read.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fonttest {

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One glyph record: its width byte and its pixel lines, bit 15 = column 0.
struct GlyphRecord {
  int width = 0;
  std::vector<uint16_t> lines;
  bool Ink(int x, int y) const { return (lines[y] >> (15 - x)) & 1; }
  int InkCount() const {
    int n = 0;
    for (uint16_t line : lines)
      for (int x = 0; x < 16; ++x) n += (line >> x) & 1;
    return n;
  }
};

class FontFileReader {
public:
  explicit FontFileReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::size_t Size() const { return bytes_.size(); }
  // Offset of font f's block: bytes 2f (high) and 2f + 1 (low).
  std::size_t Offset(int f) const { return bytes_[2 * f] * 256u + bytes_[2 * f + 1]; }
  uint8_t Byte(std::size_t at) const { return bytes_.at(at); }
  int WidthByte(int f) const { return Byte(Offset(f) + 20); }
  int Height(int f) const { return Byte(Offset(f) + 21); }
  // Bytes per record: width byte and H lines of 1 (W ≤ 8) or 2 bytes.
  std::size_t RecordSize(int f) const { return 1 + (WidthByte(f) <= 8 ? 1 : 2) * std::size_t(Height(f)); }
  std::size_t BlockEnd(int f) const { return Offset(f) + 23 + 256 * RecordSize(f); }
  // The name kept in the 20 unread bytes of the block, up to its first zero.
  std::string Name(int f) const {
    std::string name;
    for (std::size_t i = Offset(f); i < Offset(f) + 20 && Byte(i) != 0; ++i) name.push_back(char(Byte(i)));
    return name;
  }

  // The record of code in font f, or nothing when it does not lie in the file.
  std::optional<GlyphRecord> Record(int f, int code) const {
    const std::size_t at = Offset(f) + 23 + std::size_t(code) * RecordSize(f);
    if (Offset(f) + 22 > bytes_.size() || at + RecordSize(f) > bytes_.size()) return std::nullopt;
    GlyphRecord r;
    r.width = bytes_[at];
    const bool twoBytes = WidthByte(f) > 8;
    for (int y = 0; y < Height(f); ++y)
      r.lines.push_back(twoBytes ? uint16_t(bytes_[at + 1 + 2 * y] << 8 | bytes_[at + 2 + 2 * y])
                                 : uint16_t(bytes_[at + 1 + y] << 8));
    return r;
  }

private:
  std::vector<uint8_t> bytes_;
};

}  // namespace fonttest
