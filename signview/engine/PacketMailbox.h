#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

// The one-slot packet mailbox between the TCP intake and the engine.
// Writers publish a whole packet at once; the most recent packet wins.
// Safe to use from any thread.
class PacketMailbox {
public:
  static constexpr std::size_t kSize = 2048;

  // Stores the packet (bytes beyond kSize are dropped; the rest of the slot
  // is zero) and marks it ready, replacing a packet not yet taken.
  void Publish(std::span<const uint8_t> packet);

  // When a packet is ready: copies its first out.size() bytes (at most
  // kSize) into out, clears the ready flag and returns true. Otherwise
  // leaves out alone and returns false.
  bool Take(std::span<uint8_t> out);

  bool Ready() const;

private:
  mutable std::mutex mutex_;
  std::array<uint8_t, kSize> RxBuffer{};
  bool PacketReady = false;
};
