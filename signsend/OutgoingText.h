#pragma once
// What the sender makes of a typed text before it opens a connection: the
// text in the sign's code page (Windows-1250), framed as one packet. A text
// that cannot travel whole is refused with a message, never cut or altered.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Packet.h"

struct OutgoingPacket {
  std::vector<uint8_t> bytes;  // the whole packet, start to end byte; empty when refused
  std::string refusal;         // why it is not sent (UTF-8), empty when it can be
  bool Ready() const { return refusal.empty(); }
};

// The packet for text (Unicode) to the sign at address. Refused are a text
// with a character the code page has no byte for, a zero character (the
// sign would take it for the end of the text) and a text of more than
// kMaxPayload bytes.
OutgoingPacket PrepareTextPacket(std::u32string_view text, uint8_t address = kBroadcastAddress);
