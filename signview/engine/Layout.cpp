// Text layout: the current text laid out anew into the frame buffer on every
// tick, one character or code at a time, line by line.
#include <algorithm>
#include <cstring>

#include "LayoutPass.h"

namespace layout {

namespace {
// Text lines of the most rows a sign has; keeps every line index inside
// LineColumn whatever Rows says.
constexpr uint8_t kMaxShownLines = 8;
}  // namespace

uint8_t ReadByte(Tsiml& e) {
  const uint8_t c = e.TextIndex < kTextSize ? e.TextBuffer[e.TextIndex] : 0;
  ++e.TextIndex;
  return c;
}

uint32_t RowColumns(const Tsiml& e) {
  constexpr int32_t kMostColumns = kFrameLineBytes / 2 - kMaxGlyphWidth;
  return static_cast<uint32_t>(std::clamp(e.Columns, int32_t{0}, kMostColumns));
}

bool FontIsTall(const Tsiml& e) { return e.GlyphHeight > e.Lines / 2; }

void RecordColumn(Tsiml& e) {
  e.LineColumn[e.LineIndex] = e.Column;
  if (FontIsTall(e)) e.LineColumn[e.LineIndex + 1] = e.Column;
}

bool GlyphStep(Tsiml& e, uint8_t g, uint32_t back) {
  e.RasterizeGlyph(g);
  e.Column += e.GlyphWidth;
  const bool fits = e.Column <= RowColumns(e);
  if (fits) {
    e.PlotGlyph();
  } else {
    e.TextIndex -= back;
    // The end of the row shows dark, not paper, where the glyph would have stood.
    e.BlankGlyph();
  }
  RecordColumn(e);
  return fits;
}

Flow LineChange(Tsiml& e) {
  e.LineIndex = static_cast<uint8_t>(e.LineIndex + (FontIsTall(e) ? 2 : 1));
  const int shown = 2 * std::min<int>(e.Rows, kMaxShownLines / 2);
  if (e.LineIndex > shown) return Flow::End;
  e.EnterLine(e.LineIndex);
  e.Column = e.LineColumn[e.LineIndex];
  return Flow::Go;
}

namespace {
// Reads and handles one character or code.
Flow ReadItem(Tsiml& e) {
  uint8_t c = ReadByte(e);
  if (c == 0x00 || c == 0x03) c = ' ';
  if (c == '$') return HandleCode(e);
  const bool pastTheText = e.TextIndex > kTextSize;
  GlyphStep(e, c, 1);
  // Past the text only spaces follow, in this font: when they take no
  // column the rest of the display stays blank however long the pass reads.
  if (pastTheText && e.GlyphWidth == 0) return Flow::End;
  return Flow::Go;
}

// Writes the low `count` decimal digits of value to dest.
void PutDigits(char* dest, int value, int count) {
  unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  for (int i = count - 1; i >= 0; --i, v /= 10) dest[i] = static_cast<char>('0' + v % 10);
}
}  // namespace

}  // namespace layout

void Tsiml::LayoutText() {
  using layout::Flow;
  std::memset(Cell, 0, sizeof Cell);
  Attr.Ink = 1;
  Attr.Font = 0;
  Attr.Paper = 0;
  Attr.Flash = 0;
  std::memset(LineColumn, 0, sizeof LineColumn);
  LineIndex = 1;
  TextIndex = 0;
  Column = 0;
  MoveSeen = 0;
  EnterLine(1);
  std::memset(VariableUses, 0, sizeof VariableUses);
  for (;;) {
    while (Column <= layout::RowColumns(*this))
      if (layout::ReadItem(*this) == Flow::End) return;
    if (layout::LineChange(*this) == Flow::End) return;
  }
}

void Tsiml::EnterLine(uint8_t line) {
  if (line % 2 == 1)
    PlanUpperLine();
  else
    PlanLowerLine();
  Slot = static_cast<uint8_t>((line + 1) / 2);
  SelectSlot(Slot);
  GlyphWidth = line < 17 ? LineColumn[line] : 0;
  SkipColumns();
}

void Tsiml::PlanUpperLine() {
  RasterizeGlyph(' ');
  FirstLine = 0;
  LastLine = static_cast<uint8_t>(layout::FontIsTall(*this) ? Lines - 1 : Lines / 2 - 1);
}

bool Tsiml::PlanLowerLine() {
  RasterizeGlyph(' ');
  const bool tall = layout::FontIsTall(*this);
  FirstLine = static_cast<uint8_t>(tall ? 0 : Lines / 2);
  LastLine = static_cast<uint8_t>(Lines - 1);
  return tall;
}

uint8_t Tsiml::ReplanForFont(uint8_t line) {
  if (line % 2 == 1) {
    PlanUpperLine();
    return line;
  }
  return PlanLowerLine() ? static_cast<uint8_t>(line - 1) : line;
}

void Tsiml::FormatClock(int kind, char dest[16]) {
  const LocalDateTime now = Platform().Now();
  if (kind == 0) {
    layout::PutDigits(dest, now.hour, 2);
    dest[2] = ':';
    layout::PutDigits(dest + 3, now.minute, 2);
    dest[5] = ':';
    layout::PutDigits(dest + 6, now.second, 2);
    dest[8] = 0;
  } else {
    layout::PutDigits(dest, now.day, 2);
    dest[2] = '.';
    layout::PutDigits(dest + 3, now.month, 2);
    dest[5] = '.';
    layout::PutDigits(dest + 6, now.year, 4);
    dest[10] = 0;
  }
}
