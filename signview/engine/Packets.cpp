// The command side: taking a packet from the mailbox and carrying it out.
#include <cstring>
#include <string>

#include "Tsiml.h"

void Tsiml::TakePacket() {
  // Take copies all 1024 bytes of PacketCopy: the packet's first 1024 bytes.
  if (!platform_.Mailbox().Take(PacketCopy)) return;
  InterpretPacket();
  if (ClearMode == 76) {
    std::lock_guard lock(FrameLock);
    ClearFrames();
  }
}

void Tsiml::InterpretPacket() {
  const char command = PacketCopy[2] == '$' ? static_cast<char>(PacketCopy[3]) : '\0';
  DeviceParameters& p = platform_.Parameters();
  const uint8_t a4 = PacketCopy[4], a5 = PacketCopy[5];

  auto status = [this](const char* text) {
    StatusText = text;
    LogStatus();
  };

  switch (command) {
    case '0':
      status("Display Clear - $0");
      std::memset(TextBuffer, 0, sizeof TextBuffer);
      break;
    case 'A':
      status("Display Parameters - $A");
      p.Clear = a4;
      break;
    case 'B':
      status("Brightness Parameters - $B");
      p.JasStatus = a4 & 1;
      p.JasCount = a5 & 0x7F;
      break;
    case 'G': {
      status("Flashing Parameters - $G");
      const int32_t period = a4 & 0x7F, percent = a5 & 0x7F;
      const int32_t on = period * percent / 100;
      p.FlashOn = on;
      p.FlashOff = (period - on) & 0xFF;  // wraps when the percentage exceeds 100
      break;
    }
    case 'R':
      status("Reset Command - sets default value - $R");
      p = DeviceParameters{};
      break;
    case 'S':
      status("Sets Date and Time - $S");  // the clock is the computer's
      break;
    case 'Z': {
      status("Write Variable - $Z");
      const int n = a4 & 0x0F;
      if (n >= kVariableCount) break;  // only variables 0-9 exist
      int count = 0;
      while (count < 15 && PacketCopy[5 + count] != 0x03) ++count;
      std::memset(Variables[n], 0, kVariableSize);
      std::memcpy(Variables[n], PacketCopy + 5, count);
      break;
    }
    default:
      status("Write Data");
      NewText();
      break;
  }
}

void Tsiml::NewText() {
  StopMovingText();
  std::memset(Variables, ' ', sizeof Variables);
  std::memset(TextBuffer, 0, sizeof TextBuffer);
  std::memcpy(TextBuffer, PacketCopy + 2, kTextSize - 2);
}

void Tsiml::ShowStartUpText() {
  std::memset(Variables, ' ', sizeof Variables);
  std::memset(PacketCopy, 0, sizeof PacketCopy);
  std::memset(TextBuffer, 0, sizeof TextBuffer);
  const std::string text = "#" + std::to_string(Address);
  std::memcpy(TextBuffer, text.data(), text.size());
}

void Tsiml::LogStatus() {
  platform_.RunOnMain([this] { platform_.AppendLog(StatusText); });
}
