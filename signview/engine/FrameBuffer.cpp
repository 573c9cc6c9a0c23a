// The frame buffer: two flash phases of 2-bit colour codes, four slots
// sharing every byte, columns running from right to left.
#include <cstring>

#include "Tsiml.h"

namespace {
struct SlotLayout {
  int32_t base;
  uint8_t shift;
  uint8_t mask;
};
// Slots 1-8; the bit pairs of a byte belong to slots 1, 4, 3, 2 from the
// least significant pair up.
constexpr SlotLayout kSlots[8] = {
    {479, 0, 0xFC}, {479, 6, 0x3F}, {479, 4, 0xCF}, {479, 2, 0xF3},
    {959, 0, 0xFC}, {959, 6, 0x3F}, {959, 4, 0xCF}, {959, 2, 0xF3},
};

// Runs step(frameIndex, cellRow, boxColumn) over the glyph box: pixel lines
// FirstLine..LastLine, GlyphWidth columns from the Cursor on. Bytes outside
// a phase are never touched.
template <typename Step>
void ForEachBoxByte(Tsiml& e, Step step) {
  const int32_t c0 = e.Cursor;
  if (e.FirstLine > e.LastLine) return;
  // A box never spans more than one pixel line of bytes.
  const uint32_t width = e.GlyphWidth < kFrameLineBytes ? e.GlyphWidth : kFrameLineBytes;
  for (int p = e.FirstLine; p <= e.LastLine; ++p) {
    int32_t n = c0 + kFrameLineBytes * p;
    for (uint32_t k = 0; k < width; ++k, --n) {
      if (n >= 0 && n < kFrameSize) step(n, p - e.FirstLine, k);
    }
  }
  e.Cursor = c0 - static_cast<int32_t>(e.GlyphWidth);
}
}  // namespace

void Tsiml::SelectSlot(uint8_t slot) {
  if (slot < 1 || slot > 8) return;
  const SlotLayout& s = kSlots[slot - 1];
  Cursor = s.base;
  SlotMask = s.mask;
  SlotShift = s.shift;
}

void Tsiml::PlotGlyph() {
  ForEachBoxByte(*this, [this](int32_t n, int r, uint32_t k) {
    const uint8_t code = (r < kCellRows && k < kCellColumns) ? Cell[r][k] & 3 : 0;
    const uint8_t v = static_cast<uint8_t>(code << SlotShift);
    FrameA[n] = (FrameA[n] & SlotMask) | v;
    FrameB[n] = Attr.Flash ? (FrameB[n] & SlotMask) : ((FrameB[n] & SlotMask) | v);
  });
}

void Tsiml::PlotBar() {
  const uint8_t v = static_cast<uint8_t>((Attr.Ink & 3) << SlotShift);
  ForEachBoxByte(*this, [this, v](int32_t n, int, uint32_t) {
    FrameA[n] = (FrameA[n] & SlotMask) | v;
    FrameB[n] = Attr.Flash ? (FrameB[n] & SlotMask) : ((FrameB[n] & SlotMask) | v);
  });
}

void Tsiml::BlankGlyph() {
  ForEachBoxByte(*this, [this](int32_t n, int, uint32_t) {
    FrameA[n] &= SlotMask;
    FrameB[n] &= SlotMask;
  });
}

void Tsiml::SkipColumns() {
  if (FirstLine > LastLine) return;
  Cursor -= static_cast<int32_t>(GlyphWidth);
}

void Tsiml::ClearFrames() {
  std::memset(FrameA, 0, sizeof FrameA);
  std::memset(FrameB, 0, sizeof FrameB);
}
