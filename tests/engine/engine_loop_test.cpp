// The engine thread's start, its main loop and its end, one tick at a time.
#include <gtest/gtest.h>

#include "Packet.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

std::string Text(const Tsiml& e) { return reinterpret_cast<const char*>(e.TextBuffer); }

const std::string kNoFont = "Font file Lumidot_10_v_1_00.bin could not be read; the display stays dark";

TEST(EngineLoop, StartReadsTheChoicesAndShowsTheAddress) {
  TestPlatform platform;
  platform.choices = {"240", "20", "4", true};
  platform.parameters.Adresa = 5;
  platform.parameters.Clear = 0x14C;  // low 8 bits: 76
  platform.parameters.FlashOn = 3;
  platform.parameters.FlashOff = -2;
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  EXPECT_EQ(e->Columns, 240);
  EXPECT_EQ(e->Lines, 20);
  EXPECT_EQ(e->Rows, 4);
  EXPECT_EQ(e->ColorEnabled, 1);
  EXPECT_EQ(e->ClearMode, 76);
  EXPECT_EQ(e->Address, 5);
  EXPECT_EQ(e->FlashOnTicks, 3);
  EXPECT_EQ(e->FlashOffTicks, -2);
  EXPECT_EQ(Text(*e), "#5");
  EXPECT_EQ(e->MoveIdle.load(), 1);
  EXPECT_EQ(e->FlashPhase, 0);
}

TEST(EngineLoop, WithoutPacketsTheStartUpTextStays) {
  TestPlatform platform;
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  for (int i = 0; i < 3; ++i) e->Tick();
  EXPECT_EQ(Text(*e), "#127");
  EXPECT_EQ(platform.Log(), std::vector<std::string>{kNoFont});
  EXPECT_EQ(platform.slept, 300);
  EXPECT_EQ(e->PhaseTicks, 3);
}

TEST(EngineLoop, APacketLeftBeforeTheStartIsTakenOnTheFirstTick) {
  TestPlatform platform;
  const uint8_t hello[] = {'H', 'i'};
  platform.mailbox.Publish(BuildPacket(hello));
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  EXPECT_EQ(Text(*e), "#127");
  e->Tick();
  EXPECT_EQ(Text(*e), "Hi\x03");
  EXPECT_EQ(platform.Log(), (std::vector<std::string>{kNoFont, "Write Data"}));
}

TEST(EngineLoop, AStopDuringTheSleepEndsRightAfterIt) {
  TestPlatform platform;
  auto e = std::make_shared<Tsiml>(platform);
  int sleeps = 0;
  platform.onSleep = [&](int ms) {
    EXPECT_EQ(ms, 100);
    if (++sleeps == 2) e->Terminate();
  };
  e->Execute();
  EXPECT_EQ(sleeps, 2);
  EXPECT_EQ(e->TickCount.load(), 2u);
  EXPECT_EQ(e->Planes[0], nullptr);  // planes released at the end
}

TEST(EngineLoop, AChoiceWithoutANumberEndsTheEngineSilently) {
  for (DisplayChoices bad : {DisplayChoices{"", "10", "1", false}, DisplayChoices{"96", "", "1", false},
                             DisplayChoices{"96", "10", "x", false}}) {
    TestPlatform platform;
    platform.choices = bad;
    auto e = std::make_shared<Tsiml>(platform);
    EXPECT_FALSE(e->Begin());
    e->Execute();
    EXPECT_EQ(e->TickCount.load(), 0u);
    EXPECT_EQ(platform.slept, 0);
  }
}

TEST(EngineLoop, AProgramThatShutsDownEndsTheLoop) {
  TestPlatform platform;
  auto e = std::make_shared<Tsiml>(platform);
  platform.onSleep = [&](int) { platform.shuttingDown = true; };
  e->Execute();  // would never return if the failed hand-off were ignored
  EXPECT_EQ(e->TickCount.load(), 1u);
  EXPECT_TRUE(e->Terminated());
}

TEST(EngineLoop, AStartedEngineRunsOnItsOwnThreadUntilStopped) {
  TestPlatform platform;
  std::weak_ptr<Tsiml> watch;
  {
    ThreadRegistry threads;
    auto e = std::make_shared<Tsiml>(platform);
    watch = e;
    threads.Start(e);
    while (e->TickCount.load() < 3) std::this_thread::yield();
    e->Terminate();
    e.reset();  // the thread keeps its engine alive until it ends
    threads.StopAndJoinAll();
  }
  EXPECT_TRUE(watch.expired());
}

}  // namespace

namespace {

// A display the frame buffer cannot hold gets no planes; its ticks go on
// and show no LEDs rather than ending the engine.
TEST(EngineLoop, AnUnpaintableDisplayTicksOnWithAnEmptySnapshot) {
  TestPlatform platform;
  platform.choices = {"-8", "10", "1", false};
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  e->Tick();
  e->Tick();
  EXPECT_EQ(e->TickCount.load(), 2u);
  EXPECT_EQ(e->Snapshot.columns, 0);
  EXPECT_TRUE(e->Snapshot.ledsA.empty());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(e->Snapshot.text)), "#127");
}

TEST(EngineLoop, TheSnapshotHoldsTheShownLedsOfBothPhases) {
  TestPlatform platform;
  platform.choices = {"96", "10", "2", false};
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  e->Tick();
  // Write the frame directly: slot 2 (row 2), pixel line 3, column 7, red in
  // phase A only (without a font file the layout draws nothing over it).
  e->FrameA[960 * 3 + 479 - 7] |= 1 << 6;
  e->UnpackPlanes();
  e->TakeSnapshot();
  EXPECT_EQ(e->Snapshot.Led(true, 1, 3, 7), 1);
  EXPECT_EQ(e->Snapshot.Led(false, 1, 3, 7), 0);
  EXPECT_EQ(e->Snapshot.Led(true, 0, 3, 7), 0);
  EXPECT_EQ(e->Snapshot.ledsA.size(), 96u * 10 * 2);
}

}  // namespace
