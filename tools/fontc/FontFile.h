#pragma once
// Packing fonts into the sign's font-file format.
//
// The file starts with 16 offsets, 16-bit big-endian, of the blocks of fonts
// 0 to 15. A block holds 20 bytes the sign does not read (here: the font's
// name, zero-padded), the width byte W (8 or less: one byte per pixel line,
// otherwise two), the height H, one byte the sign does not read (0), and then
// the glyph records of codes 0 to 255, each a width byte followed by H pixel
// lines of 1 or 2 bytes, bit 7 of the first byte being the leftmost column.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Bdf.h"

namespace fontfile {

inline constexpr int kMaxHeight = 24;     // pixel lines the sign's glyph cell holds
inline constexpr int kMaxWidth = 16;      // columns of a glyph pixel line
inline constexpr int kNameSize = 20;      // the unread bytes at the start of a block
inline constexpr int kHeaderSize = 32;    // the 16 offsets
// The largest file: the moving text keeps only the first 65535 bytes of the
// font image, so every record must lie within them.
inline constexpr std::size_t kMaxFileSize = 65535;
// Fonts at least this high must draw every letter with its accent; lower
// fonts may draw an accented letter as its plain letter.
inline constexpr int kAccentHeight = 10;

// One font as the sign draws it: glyphs of codes 0 to 255.
struct PackedFont {
  std::string name;                 // at most kNameSize bytes
  int height = 0;                   // 1 to kMaxHeight
  std::array<int, 256> widths{};    // columns per code, 0 to kMaxWidth; 0: no glyph
  // Pixel lines per code, top first; bit 15 is column 0.
  std::array<std::array<uint16_t, kMaxHeight>, 256> lines{};

  // The width byte W: the widest glyph.
  int WidthByte() const;
};

// Turns a BDF font into the sign's glyphs. The cell is FONT_ASCENT +
// FONT_DESCENT lines high with the baseline below line FONT_ASCENT − 1;
// each glyph is DWIDTH columns wide. Each glyph's ENCODING is its Unicode
// character and goes to that character's Windows-1250 code; code 0 is a
// blank as wide as the space. Throws FontError naming the source when the
// font cannot be drawn by the sign: height 0 or above 24, a glyph wider than
// 16 or with ink outside its cell, an encoding that is missing, repeated or
// not in Windows-1250, no space or a space of width 0, a missing printable
// ASCII character, a missing extended letter in a font at least
// kAccentHeight high (lower fonts draw it as its plain letter), or a name
// longer than 20 bytes.
PackedFont PackFont(const BdfFont& font);

// The block of one font, as it lies in the file.
std::vector<uint8_t> EncodeBlock(const PackedFont& font);

// The whole file for fonts by slot (0 to 15). Slots without a font get the
// offset of font 0's block. Throws FontError when slot 0 is missing, a slot
// is outside 0 to 15, or the file would exceed kMaxFileSize.
std::vector<uint8_t> BuildFontFile(const std::map<int, PackedFont>& fonts);

}  // namespace fontfile
