#include "Specimen.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "CodePage1250.h"
#include "Glyphs.h"

namespace {

constexpr int kPitch = 3;        // picture pixels per LED
constexpr int kDot = 2;          // lit part of an LED
constexpr int kLineGap = 2;      // dark LED lines between text lines
constexpr int kMargin = 2;       // dark LEDs around the text
const QColor kBackground(0, 0, 0);
const QColor kDark(48, 24, 20);
const QColor kLit(255, 70, 30);

// The sample lines, below the font's own heading.
std::vector<std::u32string> SampleLines(const std::u32string& heading) {
  return {
      heading,
      U"ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789",
      U"abcdefghijklmnopqrstuvwxyz",
      U"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
      U"ŠŚŤŽŹŁĄŞŻĽŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖŘŮÚŰÜÝŢ",
      U"šśťžźłąşľżŕáâăäĺćçčéęëěíîďđńňóôőöřůúűüýţßµ",
      U"€‚„…†‡‰‹‘’“”•–—™›ˇ˘¤¦§¨©«¬®°±˛´¶·¸»˝×÷˙",
      U"Příliš žluťoučký kůň úpěl ďábelské ódy.",
      U"PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY.",
      U"Ľúbostný dôkaz: päť ĺ, ŕ.",
      U"Zażółć gęślą jaźń. ZAŻÓŁĆ GĘŚLĄ JAŹŃ.",
      U"Árvíztűrő tükörfúrógép. ÁRVÍZTŰRŐ.",
      U"Größe, Übermaß, Ärger, Öl.",
  };
}

// Rasterizes one code as the engine does: Cell rows of ink (1) and paper (0).
struct Glyph {
  GlyphCell cell{};
  uint32_t width = 0;
  uint8_t height = 0;
};
Glyph Rasterize(const SpecimenFontFile& file, int slot, uint8_t code) {
  Glyph g;
  TextAttr attr;
  attr.Font = static_cast<uint8_t>(slot);
  attr.Ink = 1;
  RasterizeGlyphInto(file.image.data(), file.image.size(), file.offsets, attr, code, g.cell, g.width,
                     g.height);
  return g;
}

int TextWidth(const SpecimenFontFile& file, int slot, const std::string& codes) {
  int width = 0;
  for (char c : codes) width += static_cast<int>(Rasterize(file, slot, static_cast<uint8_t>(c)).width);
  return width;
}

}  // namespace

SpecimenFontFile ReadSpecimenFontFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path + ": cannot be read");
  SpecimenFontFile file;
  file.image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (file.image.size() > kFontImageSize) file.image.resize(kFontImageSize);
  file.image.resize(kFontImageSize, 0);
  for (int f = 0; f < 16; ++f) file.offsets[f] = file.image[2 * f] * 256u + file.image[2 * f + 1];
  return file;
}

std::vector<int> DistinctFontSlots(const SpecimenFontFile& file) {
  std::vector<int> found{0};
  for (int f = 1; f < 16; ++f)
    if (file.offsets[f] != file.offsets[0]) found.push_back(f);
  return found;
}

std::string FontName(const SpecimenFontFile& file, int slot) {
  const std::size_t block = file.offsets[slot];
  std::string name;
  for (std::size_t i = block; i < block + 20 && i < file.image.size() && file.image[i] != 0; ++i)
    name.push_back(static_cast<char>(file.image[i]));
  return name;
}

int FontHeight(const SpecimenFontFile& file, int slot) {
  return Rasterize(file, slot, ' ').height;
}

QImage RenderSpecimen(const SpecimenFontFile& file, int slot) {
  const int height = FontHeight(file, slot);
  std::vector<std::string> lines;
  std::u32string heading;
  for (unsigned char c : "Font " + std::to_string(slot) + ": " + FontName(file, slot)) heading.push_back(c);
  for (const std::u32string& text : SampleLines(heading)) {
    const Cp1250Text encoded = EncodeCp1250(text);
    if (encoded.unencodableAt) throw std::logic_error("a sample line is not in Windows-1250");
    lines.emplace_back(encoded.bytes.begin(), encoded.bytes.end());
  }

  int columns = 0;
  for (const std::string& line : lines) columns = std::max(columns, TextWidth(file, slot, line));
  columns += 2 * kMargin;
  const int rows = 2 * kMargin + static_cast<int>(lines.size()) * (height + kLineGap) - kLineGap;

  // Every LED starts dark; lit LEDs are the glyphs' ink.
  std::vector<std::vector<bool>> lit(rows, std::vector<bool>(columns, false));
  int top = kMargin;
  for (const std::string& line : lines) {
    int left = kMargin;
    for (char c : line) {
      const Glyph g = Rasterize(file, slot, static_cast<uint8_t>(c));
      for (int y = 0; y < g.height; ++y)
        for (uint32_t x = 0; x < g.width; ++x)
          if (g.cell[y][x] == 1) lit[top + y][left + x] = true;
      left += static_cast<int>(g.width);
    }
    top += height + kLineGap;
  }

  QImage picture(columns * kPitch, rows * kPitch, QImage::Format_RGB32);
  picture.fill(kBackground);
  QPainter painter(&picture);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x)
      painter.fillRect(x * kPitch, y * kPitch, kDot, kDot, lit[y][x] ? kLit : kDark);
  painter.end();
  return picture;
}
