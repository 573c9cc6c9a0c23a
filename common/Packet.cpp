#include "Packet.h"

std::vector<uint8_t> BuildPacket(std::span<const uint8_t> payload, uint8_t address) {
  std::vector<uint8_t> packet;
  packet.reserve(payload.size() + 3);
  packet.push_back(kPacketStart);
  packet.push_back(address);
  packet.insert(packet.end(), payload.begin(), payload.end());
  packet.push_back(kPacketEnd);
  return packet;
}

std::string HexDump(std::span<const uint8_t> packet) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string line;
  line.reserve(packet.size() * 4);
  for (uint8_t b : packet) {
    if (b == 0) break;
    line += kDigits[b >> 4];
    line += kDigits[b & 15];
    line += "H,";
  }
  return line;
}
