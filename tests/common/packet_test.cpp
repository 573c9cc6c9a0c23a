#include <gtest/gtest.h>

#include "Packet.h"

TEST(Packet, FramesThePayloadWithStartAddressAndEnd) {
  const uint8_t abc[] = {'A', 'B', 'C'};
  EXPECT_EQ(BuildPacket(abc), (std::vector<uint8_t>{0x02, 0xFF, 'A', 'B', 'C', 0x03}));
  EXPECT_EQ(BuildPacket({}, 5), (std::vector<uint8_t>{0x02, 0x05, 0x03}));
}

TEST(HexDump, FourCharactersPerByteUpToTheFirstZero) {
  const uint8_t packet[] = {0x02, 0xFF, 0x41, 0x42, 0x43, 0x03};
  EXPECT_EQ(HexDump(packet), "02H,FFH,41H,42H,43H,03H,");
  const uint8_t addressZero[] = {0x02, 0x00, 0x41, 0x03};
  EXPECT_EQ(HexDump(addressZero), "02H,");
  EXPECT_EQ(HexDump({}), "");
}

TEST(HexDump, LongPacketsAreNotCut) {
  std::vector<uint8_t> packet(2048, 0xAB);
  const std::string line = HexDump(packet);
  EXPECT_EQ(line.size(), 2048u * 4);
  EXPECT_EQ(line.substr(line.size() - 4), "ABH,");
}
