// The frame buffer's byte and bit layout and its plotters.
#include <gtest/gtest.h>

#include <cstring>

#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

class FrameBufferTest : public ::testing::Test {
protected:
  TestPlatform platform;
  std::shared_ptr<Tsiml> e = std::make_shared<Tsiml>(platform);

  // The colour code of slot s at pixel line p, column c, read by the layout
  // rule: byte 960p + B - c, the slot's bit pair.
  static int Code(const uint8_t* frame, int s, int p, int c) {
    static const int shift[9] = {0, 0, 6, 4, 2, 0, 6, 4, 2};
    const int base = s <= 4 ? 479 : 959;
    return frame[960 * p + base - c] >> shift[s] & 3;
  }
  void Box(uint8_t first, uint8_t last, uint32_t width) {
    e->FirstLine = first;
    e->LastLine = last;
    e->GlyphWidth = width;
  }
  void FillCell(uint8_t code) { std::memset(e->Cell, code, sizeof e->Cell); }
};

TEST_F(FrameBufferTest, SlotTable) {
  const struct {
    int slot, cursor, mask, shift;
  } table[] = {{1, 479, 0xFC, 0}, {2, 479, 0x3F, 6}, {3, 479, 0xCF, 4}, {4, 479, 0xF3, 2},
               {5, 959, 0xFC, 0}, {6, 959, 0x3F, 6}, {7, 959, 0xCF, 4}, {8, 959, 0xF3, 2}};
  for (const auto& row : table) {
    e->SelectSlot(static_cast<uint8_t>(row.slot));
    EXPECT_EQ(e->Cursor, row.cursor) << row.slot;
    EXPECT_EQ(e->SlotMask, row.mask) << row.slot;
    EXPECT_EQ(e->SlotShift, row.shift) << row.slot;
  }
}

TEST_F(FrameBufferTest, SlotsOutsideOneToEightAreIgnored) {
  e->SelectSlot(3);
  for (uint8_t bad : {0, 9, 255}) {
    e->SelectSlot(bad);
    EXPECT_EQ(e->Cursor, 479);
    EXPECT_EQ(e->SlotMask, 0xCF);
    EXPECT_EQ(e->SlotShift, 4);
  }
}

TEST_F(FrameBufferTest, PlotGlyphFillsTheBoxInBothPhases) {
  e->SelectSlot(1);
  Box(0, 9, 6);
  FillCell(1);
  e->PlotGlyph();
  for (int p = 0; p < 10; ++p)
    for (int b = 474; b <= 479; ++b) {
      ASSERT_EQ(e->FrameA[960 * p + b], 0x01) << p << ' ' << b;
      ASSERT_EQ(e->FrameB[960 * p + b], 0x01) << p << ' ' << b;
    }
  EXPECT_EQ(e->FrameA[473], 0);
  EXPECT_EQ(e->FrameA[960 * 10 + 479], 0);
  EXPECT_EQ(e->Cursor, 473);
}

TEST_F(FrameBufferTest, FlashingGlyphIsDarkInPhaseB) {
  e->SelectSlot(1);
  Box(0, 9, 6);
  FillCell(1);
  e->Attr.Flash = 1;
  std::memset(e->FrameB, 0xFF, sizeof e->FrameB);
  e->PlotGlyph();
  EXPECT_EQ(e->FrameA[479], 0x01);
  EXPECT_EQ(e->FrameB[479], 0xFC);  // slot 1 dark, the other slots kept
  EXPECT_EQ(e->FrameB[960 * 9 + 474], 0xFC);
}

TEST_F(FrameBufferTest, PlottingASlotKeepsTheOtherSlotsOfTheByte) {
  std::memset(e->FrameA, 0xFF, sizeof e->FrameA);
  std::memset(e->FrameB, 0xFF, sizeof e->FrameB);
  e->SelectSlot(2);
  Box(3, 3, 1);
  FillCell(2);
  e->PlotGlyph();
  EXPECT_EQ(e->FrameA[960 * 3 + 479], 0xBF);  // slot 2's pair is 10, the rest 11
  EXPECT_EQ(Code(e->FrameA, 2, 3, 0), 2);
  for (int s : {1, 3, 4}) EXPECT_EQ(Code(e->FrameA, s, 3, 0), 3) << s;
}

TEST_F(FrameBufferTest, CellRowsFollowPixelLinesAndColumnsRunRight) {
  e->SelectSlot(4);
  Box(5, 9, 3);
  for (int r = 0; r < 5; ++r)
    for (int k = 0; k < 3; ++k) e->Cell[r][k] = static_cast<uint8_t>((r + k) % 4);
  e->SkipColumns();  // start at column 3
  Box(5, 9, 3);
  e->PlotGlyph();
  for (int r = 0; r < 5; ++r)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(Code(e->FrameA, 4, 5 + r, 3 + k), (r + k) % 4);
}

TEST_F(FrameBufferTest, BarUsesTheInkAndBlankIsDarkWhateverThePaper) {
  e->SelectSlot(3);
  Box(0, 4, 10);
  e->Attr.Ink = 3;
  e->PlotBar();
  EXPECT_EQ(Code(e->FrameA, 3, 4, 9), 3);
  EXPECT_EQ(Code(e->FrameB, 3, 0, 0), 3);
  EXPECT_EQ(e->Cursor, 469);

  e->SelectSlot(3);
  e->Attr.Paper = 2;
  Box(0, 4, 10);
  e->BlankGlyph();
  for (int c = 0; c < 10; ++c) {
    EXPECT_EQ(Code(e->FrameA, 3, 2, c), 0);
    EXPECT_EQ(Code(e->FrameB, 3, 2, c), 0);
  }
}

TEST_F(FrameBufferTest, FlashingBarIsDarkInPhaseB) {
  e->SelectSlot(1);
  Box(0, 0, 2);
  e->Attr.Ink = 1;
  e->Attr.Flash = 1;
  e->PlotBar();
  EXPECT_EQ(Code(e->FrameA, 1, 0, 1), 1);
  EXPECT_EQ(Code(e->FrameB, 1, 0, 1), 0);
}

TEST_F(FrameBufferTest, SkipAndZeroWidthMoveOnlyTheCursor) {
  e->SelectSlot(5);
  Box(0, 9, 20);
  e->SkipColumns();
  EXPECT_EQ(e->Cursor, 939);

  Box(0, 9, 0);
  FillCell(3);
  e->PlotGlyph();
  EXPECT_EQ(e->Cursor, 939);
  for (int i = 0; i < kFrameSize; ++i) ASSERT_EQ(e->FrameA[i], 0);
}

TEST_F(FrameBufferTest, EmptyLineRangeWritesNothingAndKeepsTheCursor) {
  e->SelectSlot(1);
  Box(5, 4, 8);
  FillCell(1);
  e->PlotGlyph();
  e->SkipColumns();
  EXPECT_EQ(e->Cursor, 479);
  for (int i = 0; i < kFrameSize; ++i) ASSERT_EQ(e->FrameA[i], 0);
}

TEST_F(FrameBufferTest, ClearFramesDarkensEverySlotOfBothPhases) {
  std::memset(e->FrameA, 0xFF, sizeof e->FrameA);
  std::memset(e->FrameB, 0x5A, sizeof e->FrameB);
  e->ClearFrames();
  for (int i = 0; i < kFrameSize; ++i) {
    ASSERT_EQ(e->FrameA[i], 0);
    ASSERT_EQ(e->FrameB[i], 0);
  }
}

TEST_F(FrameBufferTest, ABoxNeverWritesOutsideAPhase) {
  e->SelectSlot(8);  // the last line's last byte is the frame's last byte
  e->Cursor = 959 + 960 * 33;  // a cursor past the phase
  Box(0, 23, 40);
  FillCell(3);
  e->PlotGlyph();  // the sanitizer build would catch a write past the end
  EXPECT_EQ(e->FrameA[kFrameSize - 1], 0);
}

}  // namespace
