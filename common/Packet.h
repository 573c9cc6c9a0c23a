#pragma once
// The wire unit between a sender and a sign, one per TCP connection:
//
//   02 FF 41 42 43 03
//   |  |  '--+---'  '- end byte (ETX)
//   |  |     '-------- payload: the text "ABC", or "$" + command + arguments
//   |  '-------------- sign address (senders use 0xFF; signs take any)
//   '----------------- start byte (STX)
//
// There is no checksum and no reply.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr uint8_t kPacketStart = 0x02;
inline constexpr uint8_t kPacketEnd = 0x03;
inline constexpr uint8_t kBroadcastAddress = 0xFF;
// The sender's packet buffer holds 256 bytes and always ends in a zero, so
// a payload may be at most 252 bytes.
inline constexpr std::size_t kMaxPayload = 252;

// The packet for payload: start byte, address, payload, end byte.
std::vector<uint8_t> BuildPacket(std::span<const uint8_t> payload, uint8_t address = kBroadcastAddress);

// The log's dump of a received packet: each byte before the first zero byte
// as two upper-case hexadecimal digits, "H" and ",": "02H,FFH,41H,".
std::string HexDump(std::span<const uint8_t> packet);
