#include <gtest/gtest.h>

#include "OutgoingText.h"

namespace {

std::vector<uint8_t> Framed(std::vector<uint8_t> payload, uint8_t address = 0xFF) {
  payload.insert(payload.begin(), {0x02, address});
  payload.push_back(0x03);
  return payload;
}

TEST(OutgoingText, TextsBecomeOnePacketInWindows1250) {
  EXPECT_EQ(PrepareTextPacket(U"ABC").bytes, Framed({'A', 'B', 'C'}));
  EXPECT_EQ(PrepareTextPacket(U"").bytes, Framed({}));
  EXPECT_EQ(PrepareTextPacket(U"Čáp$CR", 0x10).bytes,
            Framed({0xC8, 0xE1, 'p', '$', 'C', 'R'}, 0x10));
}

TEST(OutgoingText, AFullPacketIsSentWholeAndALongerTextIsRefused) {
  const OutgoingPacket full = PrepareTextPacket(std::u32string(252, U'ř'));
  ASSERT_TRUE(full.Ready());
  EXPECT_EQ(full.bytes.size(), 255u);
  EXPECT_EQ(full.bytes[254], 0x03);

  const OutgoingPacket tooLong = PrepareTextPacket(std::u32string(253, U'x'));
  EXPECT_FALSE(tooLong.Ready());
  EXPECT_TRUE(tooLong.bytes.empty());
  EXPECT_EQ(tooLong.refusal, "Not sent: the text is 253 bytes long, a packet holds at most 252");
}

TEST(OutgoingText, ACharacterTheSignCannotTakeIsNamed) {
  const struct {
    std::u32string text;
    std::string refusal;
  } cases[] = {
      {U"abcΩ", "Not sent: the character 'Ω' (U+03A9) is not in the code page Windows-1250"},
      {U"\U0001F600", "Not sent: the character '\U0001F600' (U+1F600) is not in the code page Windows-1250"},
      {U"a\u0085", "Not sent: the character U+0085 is not in the code page Windows-1250"},
      {std::u32string(U"a\0b", 3), "Not sent: the text holds the character U+0000, which would end it early"},
  };
  for (const auto& c : cases) {
    const OutgoingPacket packet = PrepareTextPacket(c.text);
    EXPECT_EQ(packet.refusal, c.refusal);
    EXPECT_TRUE(packet.bytes.empty());
  }
}

}  // namespace
