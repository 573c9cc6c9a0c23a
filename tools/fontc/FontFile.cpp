#include "FontFile.h"

#include <algorithm>
#include <cstdio>

#include "CodePage1250.h"
#include "Cp1250Letters.h"

namespace fontfile {
namespace {

std::string UnicodeName(long ch) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04lX", ch);
  return text;
}

std::string Describe(const BdfFont& font, const BdfGlyph& g) {
  return font.source + ":" + std::to_string(g.line) + ": glyph '" + g.name + "'" +
         (g.encoding >= 0 ? " (" + UnicodeName(g.encoding) + ")" : "");
}

// The code page code of a glyph, checked.
uint8_t CodeOf(const BdfFont& font, const BdfGlyph& g) {
  if (g.encoding < 0) throw FontError(Describe(font, g) + " has no ENCODING");
  if (g.encoding < 0x20 || (g.encoding >= 0x7F && g.encoding < 0xA0))
    throw FontError(Describe(font, g) + " is a control character; only printable characters are drawn");
  const auto code = g.encoding > 0x10FFFF ? std::nullopt : EncodeCp1250(static_cast<char32_t>(g.encoding));
  if (!code) throw FontError(Describe(font, g) + " has no Windows-1250 code");
  return *code;
}

// Draws glyph g into the lines of its code; every ink pixel must lie in the
// glyph's cell of advance × height.
void Draw(const BdfFont& font, const BdfGlyph& g, int height, std::array<uint16_t, kMaxHeight>& lines) {
  const int top = font.ascent - (g.offsetY + g.height);  // cell line of the bitmap's top row
  for (int y = 0; y < g.height; ++y) {
    for (int x = 0; x < g.width; ++x) {
      if (!g.Pixel(x, y)) continue;
      const int column = g.offsetX + x, line = top + y;
      if (column < 0 || column >= g.advance || line < 0 || line >= height)
        throw FontError(Describe(font, g) + " has ink outside its cell of " +
                        std::to_string(g.advance) + " x " + std::to_string(height) +
                        " (column " + std::to_string(column) + ", line " + std::to_string(line) + ")");
      lines[line] |= static_cast<uint16_t>(0x8000u >> column);
    }
  }
}

}  // namespace

int PackedFont::WidthByte() const { return std::max(1, *std::max_element(widths.begin(), widths.end())); }

PackedFont PackFont(const BdfFont& font) {
  PackedFont packed;
  packed.name = font.faceName;
  if (packed.name.size() > kNameSize)
    throw FontError(font.source + ": name '" + packed.name + "' is longer than " +
                    std::to_string(kNameSize) + " bytes");
  packed.height = font.ascent + font.descent;
  if (packed.height < 1 || packed.height > kMaxHeight)
    throw FontError(font.source + ": height (FONT_ASCENT + FONT_DESCENT) is " +
                    std::to_string(packed.height) + "; the sign draws 1 to " +
                    std::to_string(kMaxHeight) + " lines");

  std::array<bool, 256> present{};
  for (const BdfGlyph& g : font.glyphs) {
    const uint8_t code = CodeOf(font, g);
    if (present[code]) throw FontError(Describe(font, g) + " appears twice");
    if (g.advance < 1 || g.advance > kMaxWidth)
      throw FontError(Describe(font, g) + " is " + std::to_string(g.advance) +
                      " columns wide; glyphs are 1 to " + std::to_string(kMaxWidth) + " wide");
    Draw(font, g, packed.height, packed.lines[code]);
    packed.widths[code] = g.advance;
    present[code] = true;
  }

  std::string missing;
  for (int code = 0x20; code < 0x7F; ++code)
    if (!present[code]) missing += " " + UnicodeName(code);
  if (!missing.empty()) throw FontError(font.source + ": printable ASCII characters missing:" + missing);

  for (int code = 0x80; code < 0x100; ++code) {
    if (present[code] || !cp1250::IsExtendedLetter(static_cast<uint8_t>(code))) continue;
    if (packed.height >= kAccentHeight) {
      missing += " " + UnicodeName(DecodeCp1250(static_cast<uint8_t>(code)));
      continue;
    }
    // Too low for accents: the letter is drawn as its plain letter.
    const auto base = static_cast<uint8_t>(cp1250::BaseLetter(static_cast<uint8_t>(code)));
    packed.widths[code] = packed.widths[base];
    packed.lines[code] = packed.lines[base];
  }
  if (!missing.empty())
    throw FontError(font.source + ": fonts of " + std::to_string(kAccentHeight) +
                    " lines or more need every letter with its accent; missing:" + missing);

  packed.widths[0] = packed.widths[' '];  // code 0 is drawn as a blank the size of a space
  return packed;
}

std::vector<uint8_t> EncodeBlock(const PackedFont& font) {
  const int widthByte = font.WidthByte();
  const bool twoBytes = widthByte > 8;
  std::vector<uint8_t> block(kNameSize, 0);
  std::copy(font.name.begin(), font.name.begin() + std::min<std::size_t>(font.name.size(), kNameSize),
            block.begin());
  block.push_back(static_cast<uint8_t>(widthByte));
  block.push_back(static_cast<uint8_t>(font.height));
  block.push_back(0);
  for (int code = 0; code < 256; ++code) {
    block.push_back(static_cast<uint8_t>(font.widths[code]));
    for (int y = 0; y < font.height; ++y) {
      block.push_back(static_cast<uint8_t>(font.lines[code][y] >> 8));
      if (twoBytes) block.push_back(static_cast<uint8_t>(font.lines[code][y] & 0xFF));
    }
  }
  return block;
}

std::vector<uint8_t> BuildFontFile(const std::map<int, PackedFont>& fonts) {
  if (!fonts.count(0)) throw FontError("font 0 is missing; every file needs font 0");
  std::vector<uint8_t> file(kHeaderSize, 0);
  std::array<std::size_t, 16> offsets{};
  for (const auto& [slot, font] : fonts) {
    if (slot < 0 || slot > 15) throw FontError("font slot " + std::to_string(slot) + " is not 0 to 15");
    offsets[slot] = file.size();
    const std::vector<uint8_t> block = EncodeBlock(font);
    file.insert(file.end(), block.begin(), block.end());
    if (file.size() > kMaxFileSize)
      throw FontError("the fonts need " + std::to_string(file.size()) + " bytes or more; a font file holds at most " +
                      std::to_string(kMaxFileSize));
  }
  for (int slot = 0; slot < 16; ++slot) {
    const std::size_t offset = fonts.count(slot) ? offsets[slot] : offsets[0];
    file[2 * slot] = static_cast<uint8_t>(offset >> 8);
    file[2 * slot + 1] = static_cast<uint8_t>(offset & 0xFF);
  }
  return file;
}

}  // namespace fontfile
