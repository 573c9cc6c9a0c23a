// The moving-text thread, one column step at a time (the test platform's
// Sleep does not wait), and then on real threads beside a running engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "Moving/TNasun.h"
#include "Packet.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

// A font file image in memory: every font is one block of glyphs up to 8
// columns wide and `height` lines high; glyphs not drawn have width 0.
struct MemoryFont {
  static constexpr uint32_t kBlock = 32;
  int height;
  std::vector<uint8_t> image = std::vector<uint8_t>(kFontImageSize, 0);

  explicit MemoryFont(int h) : height(h) {
    for (int f = 0; f < 16; ++f) image[2 * f + 1] = kBlock;  // big-endian offsets
    image[kBlock + 20] = 8;
    image[kBlock + 21] = static_cast<uint8_t>(h);
  }
  // rows: one byte per pixel line from the top, bit 7 = column 0 (ink).
  void Glyph(uint8_t code, uint8_t width, std::initializer_list<uint8_t> rows) {
    const std::size_t record = kBlock + 23 + std::size_t{code} * (1 + height);
    image[record] = width;
    int y = 0;
    for (uint8_t r : rows) image[record + 1 + y++] = r;
  }
  void InstallIn(Tsiml& e) const {
    std::memcpy(e.FontImage, image.data(), kFontImageSize);
    for (int f = 0; f < 16; ++f) e.FontOffsets[f] = kBlock;
  }
};

// The frame buffer's rule: slot s, pixel line p, column c is the slot's bit
// pair in byte 960 p + B - c.
int SlotShift(int slot) {
  static constexpr int kShift[4] = {0, 6, 4, 2};
  return kShift[(slot - 1) % 4];
}
int Led(const uint8_t* frame, int slot, int p, int c) {
  return frame[960 * p + (slot <= 4 ? 479 : 959) - c] >> SlotShift(slot) & 3;
}

std::vector<uint8_t> TextPacket(const std::string& text) {
  return BuildPacket(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// Strip column p of strip line `line` in phase A (false) or B (true).
int StripCode(const TNasun& t, int line, bool phaseB, uint32_t p) {
  const uint32_t q = t.Columns / 4;
  return t.Strip[128 * line + (phaseB ? 64 : 0) + p % q] >> (2 * (p / q)) & 3;
}

class MovingTextTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  std::shared_ptr<Tsiml> e = std::make_shared<Tsiml>(platform);
  MemoryFont font{10};

  void SetUp() override {
    e->Columns = 96;
    e->Lines = 10;
    e->Rows = 1;
    font.Glyph('A', 3, {0xE0, 0xA0, 0xE0, 0xA0, 0xA0, 0xE0, 0xA0, 0xE0, 0xA0, 0xE0});
    font.Glyph(' ', 2, {});
  }
  // Hands a section over as the layout does and returns its thread (which
  // the test platform only records).
  std::shared_ptr<TNasun> Start(const std::string& text, TextAttr attr, uint8_t slot, uint8_t first,
                                uint8_t last, uint32_t moveColumn) {
    font.InstallIn(*e);
    e->Attr = attr;
    e->Slot = slot;
    e->FirstLine = first;
    e->LastLine = last;
    e->MoveColumn = moveColumn;
    e->StartMovingText(reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<uint32_t>(text.size()));
    return std::static_pointer_cast<TNasun>(platform.startedThreads.back());
  }
  static TextAttr Attr(uint8_t flash, uint8_t paper, uint8_t ink) { return {0, flash, paper, ink}; }
};

TEST_F(MovingTextTest, StripAfterEachColumnStep) {
  auto t = Start("A", Attr(0, 0, 1), 1, 0, 9, 0);
  auto fed = [](int line, int step) { return (line + step) % 4; };  // code of step's column
  for (int step = 0; step < 100; ++step) {
    for (int line = 0; line < 10; ++line)
      t->Cell[line][step % 32] = static_cast<uint8_t>(fed(line, step));
    t->ShiftStrip(static_cast<uint32_t>(step % 32));
    const int k = step + 1;  // steps made so far; the newest is the rightmost column
    for (int line = 0; line < 10; ++line)
      for (uint32_t p = 0; p < 96; ++p) {
        const int fedAt = static_cast<int>(p) - (96 - k);  // step that fed column p
        const int want = fedAt >= 0 ? fed(line, fedAt) : 0;
        ASSERT_EQ(StripCode(*t, line, false, p), want)
            << "after " << k << " line " << line << " p " << p;
        ASSERT_EQ(StripCode(*t, line, true, p), want)
            << "after " << k << " line " << line << " p " << p;
      }
  }
}

// The text comes in at strip column Columns - 1, which is slot column
// MoveColumn + Columns - 1, and reaches the sign's right edge (column
// Columns - 1) at column step MoveColumn + 1.
TEST_F(MovingTextTest, TextEntersAtTheRightAndReachesTheEdgeAfterMoveColumnPlusOneSteps) {
  const uint32_t moveColumn = 10;
  auto t = Start("A      ", Attr(0, 0, 3), 1, 0, 9, moveColumn);
  int steps = 0, firstVisible = 0;
  platform.onSleep = [&](int ms) {
    ASSERT_EQ(ms, 25);
    ++steps;
    if (steps == 1) {
      EXPECT_EQ(Led(e->FrameA, 1, 0, moveColumn + 96 - 1), 3);
    }
    for (int c = 0; c < 96 && firstVisible == 0; ++c)
      if (Led(e->FrameA, 1, 0, c) != 0) {
        firstVisible = steps;
        EXPECT_EQ(c, 95);
      }
  };
  t->RunPass();
  EXPECT_EQ(steps, 3 + 6 * 2);  // one step per glyph column
  EXPECT_EQ(firstVisible, static_cast<int>(moveColumn) + 1);
}

// A font lower than the text line feeds colour 0 below its height; a
// flashing section feeds its paper into phase B on every line.
TEST_F(MovingTextTest, LowFontAndFlashingSectionWithPaper) {
  const uint8_t rows[5] = {0xE0, 0xA0, 0xE0, 0xA0, 0xA0};
  MemoryFont low(5);
  low.Glyph('A', 3, {rows[0], rows[1], rows[2], rows[3], rows[4]});
  font = low;
  for (uint8_t flash : {0, 1}) {
    SCOPED_TRACE(flash ? "flashing" : "steady");
    e->ClearFrames();
    auto t = Start("A", Attr(flash, 2, 1), 1, 0, 9, 0);
    t->RunPass();  // three steps: the glyph's columns are now at 93, 94, 95
    for (int p = 0; p < 10; ++p)
      for (int c = 90; c < 96; ++c) {
        const int x = c - 93;  // glyph column
        int glyph = 0;         // not reached yet, or below the font's height
        if (x >= 0 && p < 5) glyph = (rows[p] << x & 0x80) ? 1 : 2;  // ink 1, paper 2
        EXPECT_EQ(Led(e->FrameA, 1, p, c), glyph) << "A line " << p << " column " << c;
        const int inB = flash && x >= 0 ? 2 : glyph;
        EXPECT_EQ(Led(e->FrameB, 1, p, c), inB) << "B line " << p << " column " << c;
      }
    e->StopMovingText();
  }
}

TEST_F(MovingTextTest, GlyphsOfWidthZeroGiveNoStep) {
  auto t = Start(
      "A\x01\x02"
      "A",
      Attr(0, 0, 1), 1, 0, 9, 0);  // codes 1 and 2 have width 0
  int steps = 0;
  platform.onSleep = [&](int) { ++steps; };
  t->RunPass();
  EXPECT_EQ(steps, 6);

  auto none = Start("\x01\x02", Attr(0, 2, 1), 1, 0, 9, 0);
  e->ClearFrames();
  steps = 0;
  none->RunPass();
  EXPECT_EQ(steps, 0);
  for (uint8_t b : none->Strip) ASSERT_EQ(b, 0);
  for (uint8_t b : e->FrameA) ASSERT_EQ(b, 0);
}

// Each of the three pixel-line ranges of a text line shows strip line 0 on
// its top pixel line; only the section's slot field changes, and only on
// its own pixel lines.
TEST_F(MovingTextTest, TopPixelLineOfEachRangeShowsStripLineZero) {
  struct Case {
    uint8_t slot, first, last;
  };
  for (const Case& k : {Case{1, 0, 9}, Case{2, 0, 4}, Case{6, 5, 9}}) {
    SCOPED_TRACE("slot " + std::to_string(k.slot) + " lines " + std::to_string(k.first) + "-" +
                 std::to_string(k.last));
    std::memset(e->FrameA, 0xFF, sizeof e->FrameA);
    std::memset(e->FrameB, 0xFF, sizeof e->FrameB);
    auto t = Start("A", Attr(0, 0, 1), k.slot, k.first, k.last, 0);
    for (int line = 0; line < 10; ++line) t->Cell[line][0] = static_cast<uint8_t>(line % 3 + 1);
    t->ShiftStrip(0);
    t->PaintStep();
    const uint8_t keep = static_cast<uint8_t>(~(3 << SlotShift(k.slot)));
    const int base = k.slot <= 4 ? 479 : 959;
    for (const uint8_t* frame : {e->FrameA, e->FrameB})
      for (int i = 0; i < kFrameSize; ++i) {
        const int p = i / 960, c = base - i % 960;
        const bool field = c >= 0 && c < 480 && p >= k.first && p <= k.last;
        if (!field) {
          ASSERT_EQ(frame[i], 0xFF) << "byte " << i;
          continue;
        }
        ASSERT_EQ(frame[i] & keep, 0xFF & keep) << "other slots of byte " << i;
        const int want = c == 95  ? (p - k.first) % 3 + 1
                         : c < 95 ? 0
                                  : 3;  // 96 strip columns from 0
        ASSERT_EQ(Led(frame, k.slot, p, c), want) << "line " << p << " column " << c;
      }
    e->StopMovingText();
  }
}

// Once StopMovingText has returned, the old section writes nothing more,
// so a new text's cleared frame stays clear; a new section paints.
TEST_F(MovingTextTest, AStoppedSectionWritesNothingMore) {
  auto old = Start("AAAA", Attr(0, 1, 3), 1, 0, 9, 0);
  int steps = 0;
  platform.onSleep = [&](int) {
    if (++steps == 3) {
      e->StopMovingText();
      e->ClearFrames();  // what a new text with clear mode 76 does
    }
  };
  old->RunPass();
  EXPECT_EQ(steps, 3);  // the pass ended at its next check
  EXPECT_EQ(e->MoveIdle.load(), 1);
  EXPECT_EQ(e->MoveThread(), nullptr);
  old->ShiftStrip(0);
  old->PaintStep();
  for (uint8_t b : e->FrameA) ASSERT_EQ(b, 0);
  for (uint8_t b : e->FrameB) ASSERT_EQ(b, 0);

  platform.onSleep = nullptr;
  auto next = Start("A", Attr(0, 0, 1), 1, 0, 9, 0);
  EXPECT_EQ(e->MoveThread(), next);
  next->RunPass();
  EXPECT_EQ(Led(e->FrameA, 1, 0, 93), 1);
  EXPECT_EQ(Led(e->FrameA, 1, 1, 94), 0);  // 0xA0: the middle column is paper 0
  const std::vector<uint8_t> painted(e->FrameA, e->FrameA + kFrameSize);
  old->PaintStep();  // the old thread finishing still writes nothing
  EXPECT_EQ(std::vector<uint8_t>(e->FrameA, e->FrameA + kFrameSize), painted);
}

// 100 ms before every pass, one 25 ms pause after every column step.
TEST_F(MovingTextTest, ExecutePacesPassesAndSteps) {
  auto t = Start("A", Attr(0, 0, 1), 1, 0, 9, 0);
  std::vector<int> sleeps;
  platform.onSleep = [&](int ms) {
    sleeps.push_back(ms);
    if (std::count(sleeps.begin(), sleeps.end(), 100) == 3) t->Terminate();
  };
  t->Execute();
  EXPECT_EQ(sleeps, (std::vector<int>{100, 25, 25, 25, 100, 25, 25, 25, 100}));
}

// Fields that the layout never gives still keep every write inside the
// section's own slot field and the shown pixel lines.
TEST_F(MovingTextTest, OddFieldsStayInsideTheFrame) {
  struct Case {
    uint8_t slot, first, last, lines;
    uint32_t columns, moveColumn;
  };
  const Case cases[] = {
      {1, 0, 9, 10, 96, 470},                              // strip runs past the half line
      {5, 0, 9, 10, 240, 479},                             // one column left in the second half
      {2, 0, 9, 10, 96, 5000},                             // start beyond the half line
      {0, 0, 9, 10, 96, 0},                                // no such slot
      {9, 0, 9, 10, 96, 0},    {3, 0, 250, 255, 1000, 0},  // lines and columns far too big
      {4, 9, 2, 10, 96, 0},                                // empty range
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("slot " + std::to_string(k.slot) + " move " + std::to_string(k.moveColumn));
    e->ClearFrames();
    auto t = Start("A", Attr(1, 3, 3), k.slot, k.first, k.last, k.moveColumn);
    t->Lines = k.lines;
    t->Columns = k.columns;
    std::memset(t->Cell, 3, sizeof t->Cell);
    for (int i = 0; i < 300; ++i) {
      t->ShiftStrip(static_cast<uint32_t>(i));
      t->PaintStep();
    }
    const bool valid = k.slot >= 1 && k.slot <= 8;
    const int base = k.slot <= 4 ? 479 : 959;
    const int last = std::min<int>({k.last, k.lines - 1, k.first + 31, 33});
    for (const uint8_t* frame : {e->FrameA, e->FrameB})
      for (int i = 0; i < kFrameSize; ++i) {
        const int p = i / 960, c = base - i % 960;
        const bool inside = valid && c >= static_cast<int64_t>(k.moveColumn) && c < 480 &&
                            p >= k.first && p <= last;
        if (!inside)
          ASSERT_EQ(frame[i], 0) << "byte " << i;
        else
          ASSERT_EQ(frame[i] & ~(3 << SlotShift(k.slot)), 0) << "byte " << i;
      }
    e->StopMovingText();
  }
}

// A section met by the layout: handed over once with the column the line
// had reached, scrolled into that column on, and left alone by later ticks
// so the window shows what the thread painted.
TEST(MovingTextWithLayout, ALaidOutSectionScrollsInItsOwnArea) {
  TestPlatform platform;
  platform.parameters.Clear = 0;
  platform.mailbox.Publish(TextPacket("AB$MBA$CR"));
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  MemoryFont font(10);
  font.Glyph('A', 3, {0xE0, 0xA0, 0xE0, 0xA0, 0xA0, 0xE0, 0xA0, 0xE0, 0xA0, 0xE0});
  font.Glyph('B', 3, {0xC0, 0xA0, 0xC0, 0xA0, 0xC0, 0xA0, 0xC0, 0xA0, 0xC0, 0xA0});
  font.Glyph(' ', 2, {});
  font.InstallIn(*e);
  e->Tick();
  ASSERT_EQ(platform.startedThreads.size(), 1u);
  auto t = std::static_pointer_cast<TNasun>(platform.startedThreads[0]);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t->Text), 2), "BA");
  EXPECT_EQ(t->MoveColumn, 6u);  // after "AB"
  EXPECT_EQ(t->Slot, 1);

  int steps = 0;
  platform.onSleep = [&](int ms) {
    if (ms == 25 && ++steps == 94) t->Terminate();  // "BA" has come in up to column 6 + 96 - 94
  };
  t->RunPass();
  ASSERT_EQ(steps, 94);
  std::vector<int> area;  // slot 1 of FrameA from the section's column to the edge
  for (int p = 0; p < 10; ++p)
    for (int c = 6; c < 96; ++c) area.push_back(Led(e->FrameA, 1, p, c));
  EXPECT_EQ(Led(e->FrameA, 1, 0, 8), 1);  // 'B' column 0 is at column 6 + 96 - 94, red
  EXPECT_EQ(Led(e->FrameA, 1, 0, 7), 0);  // the strip's start, still dark

  e->Tick();  // lays out "AB" again but skips the section
  EXPECT_EQ(platform.startedThreads.size(), 1u);
  std::vector<int> after;
  for (int p = 0; p < 10; ++p)
    for (int c = 6; c < 96; ++c) after.push_back(Led(e->FrameA, 1, p, c));
  EXPECT_EQ(after, area);
  // The window shows it: LED line 0, column 8 is red in the picture.
  EXPECT_EQ(platform.lastPicture.At(3 + 4 * 8 + 2, 4 + 2), 0xFFFF0000u);
}

// --- On real threads -------------------------------------------------------

// Starts the threads the engine asks for on a registry, pauses without real
// time, and hands a moving section to the engine at the start of a tick
// whenever none runs, as the layout does when it meets one.
class ThreadedPlatform : public TestPlatform {
 public:
  ThreadRegistry* registry = nullptr;
  Tsiml* engine = nullptr;       // set before the engine's thread starts
  std::atomic<int> sections{0};  // sections handed over
  std::atomic<int> steps{0};     // column steps made by any section

  bool RunOnMain(const std::function<void()>& step) override {
    ++depth_;
    step();
    --depth_;
    // Only the engine thread hands steps over, so this runs on it, between
    // the packet step and the layout, as StartMovingText does.
    if (depth_ == 0 && engine != nullptr && engine->MoveIdle.load() == 1) StartSection();
    return true;
  }
  void Sleep(int ms) override {
    if (ms == 25) steps.fetch_add(1);
    std::this_thread::yield();
  }
  void StartThread(std::shared_ptr<Thread> thread) override { registry->Start(std::move(thread)); }

 private:
  void StartSection() {
    static const char text[] = "AA A AAA   ";
    engine->Attr = {0, 1, 2, 1};
    engine->Slot = 4;  // shares every byte with slot 1, which the layout writes
    engine->FirstLine = 0;
    engine->LastLine = 9;
    engine->MoveColumn = 20;
    engine->StartMovingText(reinterpret_cast<const uint8_t*>(text), sizeof text - 1);
    sections.fetch_add(1);
  }
  int depth_ = 0;
};

void WaitUntil(const std::function<bool()>& done) {
  while (!done()) std::this_thread::yield();
}

// The engine lays out and paints while a section scrolls and new texts
// stop it and start the next; then the program ends while text scrolls.
TEST(MovingTextThreads, EngineRunsWhileSectionsScrollAndPacketsArrive) {
  ThreadedPlatform platform;
  platform.parameters.Clear = 0;  // keep what the sections paint
  std::weak_ptr<Tsiml> watch;
  {
    ThreadRegistry threads;
    platform.registry = &threads;
    auto e = std::make_shared<Tsiml>(platform);
    MemoryFont font(10);
    font.Glyph('A', 3, {0xE0, 0xA0, 0xE0, 0xA0, 0xA0, 0xE0, 0xA0, 0xE0, 0xA0, 0xE0});
    font.Glyph(' ', 2, {});
    for (int c = '0'; c <= '9'; ++c) font.Glyph(static_cast<uint8_t>(c), 4, {0xF0, 0x90, 0xF0});
    font.InstallIn(*e);
    platform.engine = e.get();
    watch = e;
    threads.Start(e);

    for (int i = 0; i < 8; ++i) {
      const uint64_t tick = e->TickCount.load();
      platform.mailbox.Publish(TextPacket("Text " + std::to_string(i)));
      WaitUntil([&] { return e->TickCount.load() >= tick + 2; });
    }
    const int before = platform.steps.load();
    WaitUntil([&] { return platform.steps.load() >= before + 50; });
    EXPECT_GE(platform.sections.load(), 8);
    e.reset();
    threads.StopAndJoinAll();  // as at program exit
    EXPECT_EQ(threads.Running(), 0u);
  }
  EXPECT_TRUE(watch.expired());
  EXPECT_GT(platform.presented, 0);
}

// A closed window's engine finishes its last tick, and its section its last
// step, while the next engine already runs.
TEST(MovingTextThreads, ANewEngineStartsWhileTheOldOneFinishes) {
  ThreadedPlatform first, second;
  std::weak_ptr<Tsiml> oldEngine, newEngine;
  {
    ThreadRegistry threads;
    MemoryFont font(10);
    font.Glyph('A', 3, {0xE0, 0xA0, 0xE0, 0xA0, 0xA0, 0xE0, 0xA0, 0xE0, 0xA0, 0xE0});
    font.Glyph(' ', 2, {});
    auto startEngine = [&](ThreadedPlatform& platform) {
      platform.registry = &threads;
      auto e = std::make_shared<Tsiml>(platform);
      font.InstallIn(*e);
      platform.engine = e.get();
      threads.Start(e);
      return e;
    };
    auto e1 = startEngine(first);
    oldEngine = e1;
    WaitUntil([&] { return first.steps.load() >= 20; });
    e1->Terminate();  // the window closes: stop and forget
    e1.reset();
    auto e2 = startEngine(second);
    newEngine = e2;
    WaitUntil([&] { return second.steps.load() >= 20 && threads.Running() <= 2; });
    EXPECT_TRUE(oldEngine.expired());  // ended with its section, freed itself
    e2.reset();
    threads.StopAndJoinAll();
  }
  EXPECT_TRUE(newEngine.expired());
}

}  // namespace
