#pragma once
#include <cstddef>
#include <cstdint>

// Text attributes: font 0-15, flashing 0/1, paper and ink colour codes 0-3.
struct TextAttr {
  uint8_t Font = 0;
  uint8_t Flash = 0;
  uint8_t Paper = 0;
  uint8_t Ink = 0;
};

inline constexpr int kCellRows = 24;
inline constexpr int kCellColumns = 32;
inline constexpr int kMaxGlyphWidth = 16;
using GlyphCell = uint8_t[kCellRows][kCellColumns];

// Size of the font image: a font file is read up to this many bytes.
inline constexpr std::size_t kFontImageSize = 65536;

// Turns one character code of font attr.Font into colour codes: paper where
// the glyph's bit is clear, ink where it is set, in rows 0..height-1 and
// columns 0..width-1 of cell; other cells keep their contents.
// image holds imageSize bytes of a font file (zero past its end), offsets
// the 16 font offsets of its header. A font height above 24 counts as 24.
// A glyph record that would not lie wholly inside image gives width 0 and
// height 0 and touches no cell, so bad font files can never reach outside a buffer.
void RasterizeGlyphInto(const uint8_t* image, std::size_t imageSize, const uint32_t offsets[16],
                        const TextAttr& attr, uint8_t code, GlyphCell& cell, uint32_t& width,
                        uint8_t& height);
