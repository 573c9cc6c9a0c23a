// The moving-text thread: feeds the glyph columns of its text one by one
// into the right end of a strip, and after every column step writes the
// strip into its engine's frame buffers, from MoveColumn on.
//
// Strip line L is bytes 128 L .. 128 L + 127: a phase-A row (bytes 0-63)
// for FrameA and a phase-B row (bytes 64-127) for FrameB. A row holds
// Columns 2-bit colour codes in its first Q = Columns / 4 bytes: strip
// column p lies in byte p mod Q, bits 2 (p div Q) and 2 (p div Q) + 1, so
// each quarter of the row is one bit pair of the bytes 0..Q-1.
#include "TNasun.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "../Tsiml.h"

namespace {

constexpr int kStripLines = 32;
constexpr int kStripLineBytes = 128;
constexpr int kPhaseRowBytes = 64;           // 256 columns of 2 bits
constexpr uint32_t kSlotColumns = 480;       // columns of one half pixel line
constexpr int kSlotShift[4] = {0, 6, 4, 2};  // slots 1/5, 2/6, 3/7, 4/8

// Moves every column of one phase row a place to the left and feeds code
// in as the rightmost column: the left quarter's first column drops out,
// and each quarter's first column moves to the end of the quarter before.
void FeedRow(uint8_t* row, uint32_t q, uint8_t code) {
  const uint8_t first = row[0];
  std::memmove(row, row + 1, q - 1);
  row[q - 1] = static_cast<uint8_t>((code & 3) << 6 | first >> 2);
}

}  // namespace

TNasun::TNasun(std::shared_ptr<Tsiml> engine) : engine_(std::move(engine)) {}

uint32_t TNasun::Quarter() const {
  // A phase row holds at most 256 columns.
  return std::min<uint32_t>(Columns, 4 * kPhaseRowBytes) / 4;
}

void TNasun::Execute() {
  if (!engine_) return;
  while (!Terminated()) {
    engine_->Platform().Sleep(100);
    RunPass();
  }
}

void TNasun::RunPass() {
  const uint32_t length = std::min<uint32_t>(TextLength, sizeof Text);
  for (uint32_t i = 0; i < length; ++i) {
    RasterizeGlyph(Text[i]);
    for (uint32_t j = 0; j < GlyphWidth; ++j) {
      ShiftStrip(j);
      PaintStep();
      if (Terminated()) return;
      // The pause between column steps is taken here, on this thread and
      // outside the frame lock, so neither the window nor the engine waits
      // for it.
      if (engine_) engine_->Platform().Sleep(25);
    }
  }
}

void TNasun::ShiftStrip(uint32_t column) {
  const uint32_t q = Quarter();
  if (q == 0) return;
  const int lines = std::min<int>(Lines, kStripLines);
  for (int line = 0; line < lines; ++line) {
    // Cell lines below the font's height were never filled and feed 0.
    const uint8_t ink = line < kCellRows && column < kCellColumns ? Cell[line][column] & 3 : 0;
    // A flashing section shows only its paper in phase B.
    const uint8_t inB = Attr.Flash ? Attr.Paper & 3 : ink;
    uint8_t* row = Strip + kStripLineBytes * line;
    FeedRow(row, q, ink);
    FeedRow(row + kPhaseRowBytes, q, inB);
    if (Terminated()) return;
  }
}

void TNasun::PaintStep() {
  if (!engine_ || Slot < 1 || Slot > 8 || MoveColumn >= kSlotColumns) return;
  Tsiml& e = *engine_;
  const int base = Slot <= 4 ? 479 : 959;
  const int shift = kSlotShift[(Slot - 1) % 4];
  const uint8_t keep = static_cast<uint8_t>(~(3 << shift));
  const uint32_t q = Quarter();
  // Strip columns that lie inside the slot's half line.
  const uint32_t columns = std::min<uint32_t>(4 * q, kSlotColumns - MoveColumn);
  // Pixel lines that are shown, lie in a phase and have a strip line.
  const int last = std::min<int>(
      {LastLine, Lines - 1, FirstLine + kStripLines - 1, kFrameSize / kFrameLineBytes - 1});

  std::lock_guard lock(e.FrameLock);
  // Bottom line first. The top pixel line of the text line shows strip
  // line 0, whichever of the row's ranges (upper half, lower half, whole
  // row) the text line has.
  for (int y = last; y >= FirstLine; --y) {
    if (Terminated()) return;
    const int s = y - FirstLine;
    for (int phase = 0; phase < 2; ++phase) {
      uint8_t* frame = phase == 0 ? e.FrameA : e.FrameB;
      const uint8_t* row = Strip + kStripLineBytes * s + kPhaseRowBytes * phase;
      // Column MoveColumn + p of the slot is byte line + base - MoveColumn - p.
      uint8_t* at = frame + kFrameLineBytes * y + base - MoveColumn;
      for (uint32_t quarter = 0; quarter < 4; ++quarter) {
        if (Terminated()) return;
        const uint32_t from = quarter * q;
        const uint32_t to = std::min(from + q, columns);
        for (uint32_t p = from; p < to; ++p) {
          const uint8_t code = row[p - from] >> (2 * quarter) & 3;
          at[-static_cast<int32_t>(p)] =
              static_cast<uint8_t>((at[-static_cast<int32_t>(p)] & keep) | code << shift);
        }
      }
    }
  }
}

void TNasun::RasterizeGlyph(uint8_t code) {
  RasterizeGlyphInto(FontImage, sizeof FontImage, FontOffsets, Attr, code, Cell, GlyphWidth,
                     GlyphHeight);
}
