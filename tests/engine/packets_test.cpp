// The packet interpreter: commands, their status lines and their effect on
// the device parameters, texts, variables and the start-up text.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "Packet.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class PacketsTest : public ::testing::Test {
protected:
  TestPlatform platform;
  std::shared_ptr<Tsiml> engine = std::make_shared<Tsiml>(platform);

  void Deliver(const std::vector<uint8_t>& packet) {
    platform.mailbox.Publish(packet);
    engine->TakePacket();
  }
  void DeliverPayload(const std::string& payload, uint8_t address = 0xFF) {
    const auto bytes = Bytes(payload);
    Deliver(BuildPacket(bytes, address));
  }
  std::string Text() const {
    return std::string(reinterpret_cast<const char*>(engine->TextBuffer));
  }
};

struct CommandCase {
  const char* name;
  std::vector<uint8_t> payload;
  const char* status;
  std::function<void(DeviceParameters&)> expect;  // expected change of the defaults
};

TEST_F(PacketsTest, EachCommandLogsItsStatusAndChangesItsParameters) {
  const CommandCase cases[] = {
      {"clear mode", {'$', 'A', 0x4C}, "Display Parameters - $A", [](auto& p) { p.Clear = 76; }},
      {"clear mode off", {'$', 'A', 0xC8}, "Display Parameters - $A", [](auto& p) { p.Clear = 200; }},
      {"brightness masks", {'$', 'B', 0xFF, 0xFF}, "Brightness Parameters - $B",
       [](auto& p) { p.JasStatus = 1; p.JasCount = 0x7F; }},
      {"flash 10/50", {'$', 'G', 0x0A, 0x32}, "Flashing Parameters - $G",
       [](auto& p) { p.FlashOn = 5; p.FlashOff = 5; }},
      {"flash 100/120 wraps", {'$', 'G', 100, 120}, "Flashing Parameters - $G",
       [](auto& p) { p.FlashOn = 120; p.FlashOff = 236; }},
      {"flash percentage 0", {'$', 'G', 40, 0}, "Flashing Parameters - $G",
       [](auto& p) { p.FlashOn = 0; p.FlashOff = 40; }},
      {"flash 20/25", {'$', 'G', 20, 25}, "Flashing Parameters - $G",
       [](auto& p) { p.FlashOn = 5; p.FlashOff = 15; }},
      {"flash masks to 7 bits", {'$', 'G', 0x80 | 10, 0x80 | 50}, "Flashing Parameters - $G",
       [](auto& p) { p.FlashOn = 5; p.FlashOff = 5; }},
      {"date and time", {'$', 'S', '1', '2'}, "Sets Date and Time - $S", [](auto&) {}},
      {"write variable", {'$', 'Z', '1', 'x'}, "Write Variable - $Z", [](auto&) {}},
      {"variable 10 to 15", {'$', 'Z', ':', 'x'}, "Write Variable - $Z", [](auto&) {}},
      {"display clear", {'$', '0'}, "Display Clear - $0", [](auto&) {}},
      {"lower-case letter is text", {'$', 'x'}, "Write Data", [](auto&) {}},
      {"unknown letter is text", {'$', 'Q'}, "Write Data", [](auto&) {}},
      {"markup code is text", {'$', 'C', '2', 'A'}, "Write Data", [](auto&) {}},
      {"plain text", {'A', 'B', 'C'}, "Write Data", [](auto&) {}},
      {"empty payload", {}, "Write Data", [](auto&) {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestPlatform fresh;
    auto e = std::make_shared<Tsiml>(fresh);
    fresh.mailbox.Publish(BuildPacket(c.payload));
    e->TakePacket();
    DeviceParameters expected;
    c.expect(expected);
    EXPECT_EQ(fresh.parameters, expected);
    EXPECT_EQ(fresh.Log(), std::vector<std::string>{c.status});
    EXPECT_EQ(e->StatusText, c.status);
  }
}

TEST_F(PacketsTest, ResetRestoresEveryDefault) {
  platform.parameters = {5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  DeliverPayload("$R");
  EXPECT_EQ(platform.parameters, DeviceParameters{});
  EXPECT_EQ(platform.parameters.Adresa, 127);
  EXPECT_EQ(platform.Log().back(), "Reset Command - sets default value - $R");
}

TEST_F(PacketsTest, TextBecomesTheCurrentTextWithItsEndByte) {
  Deliver({0x02, 0xFF, 0x41, 0x42, 0x43, 0x03});
  EXPECT_EQ(Text(), "ABC\x03");
  EXPECT_EQ(platform.Log(), std::vector<std::string>{"Write Data"});
}

TEST_F(PacketsTest, AnyAddressIsTaken) {
  DeliverPayload("Hi", 0x05);
  EXPECT_EQ(Text(), "Hi\x03");
}

TEST_F(PacketsTest, NewTextBlanksVariablesAndKeepsOnly1022Bytes) {
  std::memset(engine->Variables, 'v', sizeof engine->Variables);
  std::vector<uint8_t> packet(2048, 'x');
  Deliver(packet);
  for (auto& variable : engine->Variables)
    for (uint8_t b : variable) ASSERT_EQ(b, ' ');
  EXPECT_EQ(engine->TextBuffer[1021], 'x');
  EXPECT_EQ(engine->TextBuffer[1022], 0);
  EXPECT_EQ(engine->TextBuffer[1023], 0);
}

TEST_F(PacketsTest, WriteVariableStopsAtEndByteOrAfter15Bytes) {
  DeliverPayload("$Z3ABC");
  const uint8_t expected3[20] = {'A', 'B', 'C'};
  EXPECT_EQ(0, std::memcmp(engine->Variables[3], expected3, 20));

  DeliverPayload("$Z70123456789abcdefghij");  // no end byte within 15
  const uint8_t expected7[20] = {'0', '1', '2', '3', '4', '5', '6', '7',
                                 '8', '9', 'a', 'b', 'c', 'd', 'e'};
  EXPECT_EQ(0, std::memcmp(engine->Variables[7], expected7, 20));
}

TEST_F(PacketsTest, WriteVariableAbove9ChangesNothing) {
  std::memset(engine->Variables, ' ', sizeof engine->Variables);
  const std::vector<uint8_t> before(engine->FontImage, engine->FontImage + 64);
  for (uint8_t n : {':', ';', '<', '=', '>', '?'}) {  // low bits 10 to 15
    Deliver(BuildPacket(std::vector<uint8_t>{'$', 'Z', n, 'X', 'Y'}));
    for (auto& variable : engine->Variables)
      for (uint8_t b : variable) ASSERT_EQ(b, ' ');
  }
  EXPECT_EQ(std::vector<uint8_t>(engine->FontImage, engine->FontImage + 64), before);
  EXPECT_EQ(platform.Log().size(), 6u);
}

TEST_F(PacketsTest, DisplayClearKeepsVariablesAndMovingText) {
  DeliverPayload("Hello");
  DeliverPayload("$Z0AB");
  engine->MoveIdle = 0;  // a moving section runs
  DeliverPayload("$0");
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(engine->Variables[0][0], 'A');
  EXPECT_EQ(engine->MoveIdle.load(), 0);
  EXPECT_EQ(platform.Log(),
            (std::vector<std::string>{"Write Data", "Write Variable - $Z", "Display Clear - $0"}));
}

TEST_F(PacketsTest, NewTextStopsTheMovingText) {
  engine->MoveIdle = 0;
  DeliverPayload("New");
  EXPECT_EQ(engine->MoveIdle.load(), 1);
}

TEST_F(PacketsTest, ClearMode76ClearsTheFrameAfterEveryPacket) {
  for (uint8_t mode : {uint8_t{76}, uint8_t{0}}) {
    SCOPED_TRACE(int{mode});
    engine->ClearMode = mode;
    engine->FrameA[100] = 0x55;
    engine->FrameB[32766] = 0xAA;
    DeliverPayload("$S");  // a command clears too
    EXPECT_EQ(engine->FrameA[100], mode == 76 ? 0 : 0x55);
    EXPECT_EQ(engine->FrameB[32766], mode == 76 ? 0 : 0xAA);
  }
}

TEST_F(PacketsTest, NoPacketNoChange) {
  engine->TextBuffer[0] = 'q';
  engine->TakePacket();
  EXPECT_EQ(engine->TextBuffer[0], 'q');
  EXPECT_TRUE(platform.Log().empty());
}

TEST_F(PacketsTest, TwoPacketsBeforeATakeOnlyTheLastIsInterpreted) {
  platform.mailbox.Publish(BuildPacket(Bytes("first")));
  platform.mailbox.Publish(BuildPacket(Bytes("$G")));
  platform.mailbox.Publish(BuildPacket(Bytes("second")));
  engine->TakePacket();
  engine->TakePacket();
  EXPECT_EQ(Text(), "second\x03");
  EXPECT_EQ(platform.Log(), std::vector<std::string>{"Write Data"});
}

TEST_F(PacketsTest, StartUpTextShowsTheAddress) {
  for (auto [address, text] : {std::pair{127, "#127"}, {5, "#5"}, {0, "#0"}, {255, "#255"}}) {
    engine->Address = static_cast<uint8_t>(address);
    engine->ShowStartUpText();
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(engine->TextBuffer[std::strlen(text)], 0);
    EXPECT_EQ(engine->Variables[9][19], ' ');
  }
}

TEST_F(PacketsTest, ArbitraryMailboxContentsStayInsideTheBuffers) {
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bytes(random() % 2049);
    for (auto& b : bytes) b = static_cast<uint8_t>(random());
    if (bytes.size() > 3 && round % 2) bytes[2] = '$';
    platform.mailbox.Publish(bytes);
    engine->TakePacket();
  }
  SUCCEED() << "the sanitizer build checks every access";
  EXPECT_FALSE(platform.mailbox.Ready());
}

}  // namespace
