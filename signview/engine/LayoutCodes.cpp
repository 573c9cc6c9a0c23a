// The markup codes of a text: '$', a code letter and its argument bytes.
#include <algorithm>
#include <cstring>

#include "LayoutPass.h"

namespace layout {

namespace {

// A variable gives at most this many characters per pass.
constexpr uint8_t kVariableUsesPerPass = 15;

// "$C": ink colour, or "$CR", a line break. Without colour LEDs all ink is red.
Flow Ink(Tsiml& e) {
  const uint8_t x = ReadByte(e);
  if (x == 'R') return LineChange(e);
  e.Attr.Ink = e.ColorEnabled ? x & 3 : 1;
  return Flow::Go;
}

// "$U": the font changes, and the current line is planned for its height.
void ChangeFont(Tsiml& e) {
  e.Attr.Font = ReadByte(e) & 15;
  const uint8_t m = e.ReplanForFont(e.LineIndex);
  e.Column = e.LineColumn[e.LineIndex];
  e.EnterLine(e.LineIndex);
  // A tall font met on a lower line goes on over the whole row, from the
  // lower line's column, as the row's upper line.
  e.LineIndex = m;
}

// The three argument bytes of "$J" as a decimal number: leading white space,
// an optional sign, digits up to the first other byte; no digits give 0.
int BarNumber(const uint8_t bytes[3]) {
  int i = 0;
  while (i < 3 && (bytes[i] == ' ' || (bytes[i] >= '\t' && bytes[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < 3 && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
  int number = 0;
  for (; i < 3 && bytes[i] >= '0' && bytes[i] <= '9'; ++i) number = number * 10 + (bytes[i] - '0');
  return negative ? -number : number;
}

// "$J": a bar of ink colour. Only the part on the row is drawn, but the
// column moves by the whole number, so a longer bar ends the line.
void Bar(Tsiml& e) {
  uint8_t bytes[3];
  for (uint8_t& b : bytes) b = ReadByte(e);
  const int number = BarNumber(bytes);
  if (number < 0) return;  // a bar of negative width is no bar
  const uint32_t columns = RowColumns(e);
  const uint32_t room = e.Column < columns ? columns - e.Column : 0;
  e.GlyphWidth = std::min(static_cast<uint32_t>(number), room);
  e.PlotBar();
  e.Column += static_cast<uint32_t>(number);
  RecordColumn(e);
}

// "$H" (kind 0, the time) and "$N" (kind 1, the date), whole or in part.
// Characters that do not fit are dropped, not carried to the next line.
void Clock(Tsiml& e, int kind) {
  e.FormatClock(kind, e.ClockText);
  const uint8_t v = ReadByte(e);
  int first, last;
  switch (v) {
    case '0': first = 0, last = kind == 0 ? 7 : 9; break;
    case '1': first = 0, last = 1; break;
    case '2': first = 3, last = 4; break;
    case '3': first = 6, last = kind == 0 ? 7 : 9; break;
    default: return;
  }
  for (int p = first; p <= last; ++p) {
    e.RasterizeGlyph(static_cast<uint8_t>(e.ClockText[p]));
    e.Column += e.GlyphWidth;
    if (e.Column <= RowColumns(e)) e.PlotGlyph();
    RecordColumn(e);
  }
}

// "$I": the next character of a variable. One that does not fit is inserted
// again, with its code, at the start of the next line.
void Insert(Tsiml& e) {
  const uint8_t n = ReadByte(e) & 15;
  if (n >= kVariableCount) return;  // only variables 0 to 9 exist
  uint8_t& uses = e.VariableUses[n];
  if (uses >= kVariableUsesPerPass) return;
  const uint8_t g = e.Variables[n][uses];
  ++uses;
  if (!GlyphStep(e, g, 3)) --uses;
}

// Copies the moving section, from TextIndex up to "$CR", 0x03 or 0x00, into
// MoveText and returns its number of characters. Markup is not interpreted
// inside: a '$' is kept, the byte after it dropped (and after "$C" the next
// one too).
uint32_t CopyMovingSection(Tsiml& e) {
  std::memset(e.MoveText, ' ', sizeof e.MoveText);
  uint32_t k = 0;  // at most kTextSize, well inside MoveText
  while (e.TextIndex < kTextSize) {
    const uint8_t c = e.TextBuffer[e.TextIndex++];
    e.MoveText[k] = c;
    if (c == 0x03 || c == 0x00) {
      e.MoveText[k] = ' ';
      break;
    }
    if (c == '$' && ReadByte(e) == 'C' && ReadByte(e) == 'R') {
      e.MoveText[k] = ' ';
      break;
    }
    ++k;
  }
  return k;
}

// "$M": the first moving section of a text is handed to the moving-text
// thread, which draws it from then on; every later pass skips it.
Flow Moving(Tsiml& e) {
  if (e.MoveSeen > 0) return Flow::Go;
  if (e.MoveIdle.load() != 0) {
    const uint32_t k = CopyMovingSection(e);
    e.MoveResume = e.TextIndex;
    e.RasterizeGlyph(' ');
    const uint32_t columns = RowColumns(e);
    // Enough spaces after the section for it to leave the row; a font with
    // no space width still gives one space per column.
    const uint32_t length = k + columns / std::max<uint32_t>(e.GlyphWidth, 1) + 1;
    uint32_t column = e.LineColumn[e.LineIndex];
    if (FontIsTall(e)) column = std::max(column, e.LineColumn[e.LineIndex + 1]);
    // The section must start on the row, or the painter would write past it.
    e.MoveColumn = std::min(column, columns);
    e.StartMovingText(e.MoveText, length);
  } else {
    e.TextIndex = e.MoveResume;
  }
  ++e.MoveSeen;
  return LineChange(e);
}

}  // namespace

Flow HandleCode(Tsiml& e) {
  switch (ReadByte(e)) {
    case 'C': return Ink(e);
    case 'F': e.Attr.Flash = ReadByte(e) & 1; break;
    case 'P': e.Attr.Paper = ReadByte(e) & 3; break;
    case 'U': ChangeFont(e); break;
    case 'J': Bar(e); break;
    case 'H': Clock(e, 0); break;
    case 'N': Clock(e, 1); break;
    case 'I': Insert(e); break;
    case 'M': return Moving(e);
    default: break;  // any other byte: the code is consumed and does nothing
  }
  return Flow::Go;
}

}  // namespace layout
