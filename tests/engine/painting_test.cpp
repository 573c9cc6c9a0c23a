// The paint planes, the flash phases and the picture of the simulation
// window that the platform gets once per tick.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "StretchPlane.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kYellow = 0xFFFFFF00u;

// The frame buffer's rule, independent of the engine: slot s, pixel line p,
// column c is the slot's bit pair in byte 960 p + B - c.
int SlotShift(int slot) {
  static constexpr int kShift[4] = {0, 6, 4, 2};
  return kShift[(slot - 1) % 4];
}
int ByteOf(int slot, int p, int c) { return 960 * p + (slot <= 4 ? 479 : 959) - c; }
int Led(const uint8_t* frame, int slot, int p, int c) {
  return frame[ByteOf(slot, p, c)] >> SlotShift(slot) & 3;
}
void SetLed(uint8_t* frame, int slot, int p, int c, int code) {
  uint8_t& b = frame[ByteOf(slot, p, c)];
  b = static_cast<uint8_t>((b & ~(3 << SlotShift(slot))) | code << SlotShift(slot));
}

class PaintingTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  std::shared_ptr<Tsiml> e;

  void Start(DisplayChoices choices) {
    platform.choices = choices;
    e = std::make_shared<Tsiml>(platform);
    ASSERT_TRUE(e->Begin());
  }
  // Unpacks the frames and paints the phase asked for (A: 1, B: 0).
  const ClientPicture& Paint(uint8_t phase) {
    e->UnpackPlanes();
    e->FlashPhase = phase;
    e->PaintRows();
    return platform.lastPicture;
  }
  // Top of sign row r in the picture.
  int RowTop(int r) const { return 2 * ((2 * e->Lines + 2) * r + 2); }
  // The 4 × 4 block of LED (row r, line, column c): its lower-right 2 × 2
  // square must be `colour` and its other pixels black.
  void ExpectLed(const ClientPicture& pic, int r, int line, int c, uint32_t colour) {
    const int x0 = 3 + 4 * c, y0 = RowTop(r) + 4 * line;
    for (int dy = 0; dy < 4; ++dy)
      for (int dx = 0; dx < 4; ++dx) {
        const uint32_t want = dx >= 2 && dy >= 2 ? colour : kBlack;
        EXPECT_EQ(pic.At(x0 + dx, y0 + dy), want)
            << "row " << r << " line " << line << " column " << c << " at +" << dx << ",+" << dy;
      }
  }
};

TEST_F(PaintingTest, YellowTopLeftLedInBothPhases) {
  Start({"96", "10", "1", true});
  e->FrameA[479] |= 3;  // slot 1, pixel line 0, column 0
  e->FrameB[479] |= 3;
  for (uint8_t phase : {1, 0}) {
    const ClientPicture& pic = Paint(phase);
    ExpectLed(pic, 0, 0, 0, kYellow);
    ExpectLed(pic, 0, 0, 1, kBlack);  // a dark LED is black, not the window's gray
    ExpectLed(pic, 0, 1, 0, kBlack);
  }
}

TEST_F(PaintingTest, AFlashingLedShowsInPhaseAOnly) {
  Start({"96", "10", "1", true});
  e->FrameA[479] |= 3;  // lit in phase A only, as a flashing pixel is
  ExpectLed(Paint(1), 0, 0, 0, kYellow);
  ExpectLed(Paint(0), 0, 0, 0, kBlack);
}

// Every pixel of the client area, for frames full of random colours in all
// eight slots: each shown LED in its place and phase, black grid around it,
// gray margins and gaps, and nothing of the slots that no row shows.
TEST_F(PaintingTest, PictureShowsEveryLedOfEveryRowInBothPhases) {
  struct Case {
    DisplayChoices choices;
    int width, height;          // client area
    int lastRowTop, rowHeight;  // where the last row is drawn
  };
  const Case cases[] = {
      {{"96", "10", "1", true}, 390, 49, 4, 40},
      {{"240", "20", "4", true}, 966, 341, 256, 80},
      {{"128", "16", "2", false}, 518, 141, 72, 64},
  };
  std::mt19937 random(7);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.choices.columns + "x" + k.choices.lines + "x" + k.choices.rows);
    Start(k.choices);
    EXPECT_EQ(platform.clientWidth, k.width);
    EXPECT_EQ(platform.clientHeight, k.height);
    for (int i = 0; i < kFrameSize; ++i) {
      e->FrameA[i] = static_cast<uint8_t>(random());
      e->FrameB[i] = static_cast<uint8_t>(random());
    }
    const int columns = e->Columns, lines = e->Lines, rows = e->Rows;
    ASSERT_EQ(RowTop(rows - 1), k.lastRowTop);
    ASSERT_EQ(4 * lines, k.rowHeight);
    for (uint8_t phase : {1, 0}) {
      const ClientPicture& pic = Paint(phase);
      ASSERT_EQ(pic.width, k.width);
      ASSERT_EQ(pic.height, k.height);
      const uint8_t* frame = phase ? e->FrameA : e->FrameB;
      int wrong = 0;
      for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
          uint32_t want = kWindowGray;
          for (int r = 0; r < rows; ++r) {
            if (x < 3 || x >= 3 + 4 * columns || y < RowTop(r) || y >= RowTop(r) + 4 * lines)
              continue;
            const int c = (x - 3) / 4, line = (y - RowTop(r)) / 4;
            const bool lit = (x - 3) % 4 >= 2 && (y - RowTop(r)) % 4 >= 2;
            want = lit ? kPalette[Led(frame, r + 1, line, c)] : kBlack;
          }
          if (pic.At(x, y) != want && ++wrong <= 3)
            ADD_FAILURE() << "pixel " << x << "," << y << " phase " << int{phase};
        }
      EXPECT_EQ(wrong, 0);
    }
    // The edges of the last row, seen directly.
    const ClientPicture& pic = platform.lastPicture;
    EXPECT_EQ(pic.At(3, k.lastRowTop), kBlack);
    EXPECT_EQ(pic.At(2, k.lastRowTop), kWindowGray);
    EXPECT_EQ(pic.At(3, k.lastRowTop - 1), kWindowGray);
    EXPECT_EQ(pic.At(3, k.lastRowTop + k.rowHeight), kWindowGray);
    EXPECT_EQ(pic.At(3 + 4 * columns, k.lastRowTop), kWindowGray);
  }
}

TEST_F(PaintingTest, EverySlotOfBothPhasesIsUnpackedIntoItsPlane) {
  Start({"96", "10", "1", true});
  for (int slot = 1; slot <= 8; ++slot) {
    SetLed(e->FrameA, slot, 2, 5, slot % 3 + 1);
    SetLed(e->FrameB, slot, 2, 5, (slot + 1) % 3 + 1);
  }
  e->UnpackPlanes();
  // LED line 2, column 5 lies in byte 2 × Columns × (Lines − 1 − 2) + 5 of
  // the bottom-up plane, whose odd scan lines stay 0.
  const int at = 2 * 96 * (10 - 1 - 2) + 5;
  for (int slot = 1; slot <= 8; ++slot) {
    EXPECT_EQ(e->Planes[slot - 1][at], slot % 3 + 1) << slot;
    EXPECT_EQ(e->Planes[8 + slot - 1][at], (slot + 1) % 3 + 1) << slot;
    EXPECT_EQ(e->Planes[slot - 1][at + 96], 0) << slot;
  }
}

TEST_F(PaintingTest, FlashCycles) {
  struct Case {
    int32_t on, off;
    std::string phases;  // phase shown on each tick from the first
  };
  const Case cases[] = {
      {10, 5, "AAAAAAAAAABBBBBAAAAAAAAAABBBBBA"},
      {0, 0, "ABABAB"},
      {-3, 2, "ABBABBA"},
      {3, -1, "AAABAAABA"},
  };
  for (const Case& k : cases) {
    platform.parameters.FlashOn = k.on;
    platform.parameters.FlashOff = k.off;
    Start({"96", "10", "1", true});
    std::string seen;
    for (std::size_t tick = 0; tick < k.phases.size(); ++tick) {
      e->StepFlashPhase();  // as the main loop does: step, paint, sleep, count
      seen += e->FlashPhase == 1 ? 'A' : 'B';
      e->PhaseTicks = e->PhaseTicks + 1;
    }
    EXPECT_EQ(seen, k.phases) << k.on << "/" << k.off;
  }
}

TEST_F(PaintingTest, EachPaintHandsTheWholePictureToThePlatform) {
  Start({"96", "10", "1", true});
  ASSERT_EQ(platform.presented, 0);
  Paint(1);
  Paint(0);
  EXPECT_EQ(platform.presented, 2);
  EXPECT_EQ(platform.lastPicture.width, 390);
  EXPECT_EQ(platform.lastPicture.pixels.size(), 390u * 49u);
}

// A display type the frame buffer cannot hold gets no planes: the window
// stays gray, the engine runs on, and the log says why.
TEST(Painting, ADisplayThatCannotBePaintedStaysGray) {
  for (DisplayChoices bad :
       {DisplayChoices{"1000", "10", "1", true}, DisplayChoices{"-8", "10", "2", true},
        DisplayChoices{"96", "40", "1", true}, DisplayChoices{"98", "10", "1", true},
        DisplayChoices{"2147483647", "10", "1", true}}) {
    SCOPED_TRACE(bad.columns + "x" + bad.lines);
    TestPlatform platform;
    platform.choices = bad;
    auto e = std::make_shared<Tsiml>(platform);
    ASSERT_TRUE(e->Begin());
    EXPECT_EQ(e->Planes[0], nullptr);
    e->UnpackPlanes();
    e->StepFlashPhase();
    e->PaintRows();
    const ClientPicture& pic = platform.lastPicture;
    EXPECT_EQ(pic.width, 6);
    EXPECT_EQ(pic.height, 5);
    for (uint32_t p : pic.pixels) EXPECT_EQ(p, kWindowGray);
    const auto log = platform.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("cannot be painted"), std::string::npos) << log[0];
  }
}

TEST_F(PaintingTest, PlanesAreReplacedBySetUpAndReleasedOnce) {
  Start({"240", "20", "4", true});
  e->SetUpPlanes();  // a second set-up must not leak the first planes
  ASSERT_NE(e->Planes[15], nullptr);
  e->ReleasePlanes();
  e->ReleasePlanes();
  for (uint8_t* plane : e->Planes) EXPECT_EQ(plane, nullptr);
  Paint(1);  // painting without planes draws no row and touches no plane
  EXPECT_EQ(platform.lastPicture.At(3 + 2, 4 + 2), kWindowGray);
}

// The stretch on its own: bottom-up scan lines padded to 4 bytes, the high
// nibble left, and what falls outside the picture cut off on every side.
TEST(PlaneStretcher, DrawsABottomUpBitmapAndCutsOffWhatFallsOutside) {
  uint32_t palette[16];
  for (uint32_t i = 0; i < 16; ++i) palette[i] = i;  // each pixel shows its own value
  const PlaneStretcher stretcher(palette, 2);
  // 4 × 2 pixels: two bytes per scan line, padded with 0xEE to four.
  const uint8_t bits[] = {0x12, 0x34, 0xEE, 0xEE,   // bottom line
                          0x56, 0x78, 0xEE, 0xEE};  // top line
  ClientPicture pic;
  pic.Resize(8, 4, 99);
  stretcher.Draw(bits, 4, 2, pic, -1, -1);
  const std::vector<uint32_t> want = {
      5, 6, 6, 7, 7, 8, 8, 99,  // the top line's lower half; its upper half is cut off
      1, 2, 2, 3, 3, 4, 4, 99,  // the bottom line, twice
      1, 2, 2, 3, 3, 4, 4, 99, 99, 99, 99, 99, 99, 99, 99, 99,
  };
  EXPECT_EQ(pic.pixels, want);
}

}  // namespace
