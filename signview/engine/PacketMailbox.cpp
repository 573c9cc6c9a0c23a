#include "PacketMailbox.h"

#include <algorithm>
#include <cstring>

void PacketMailbox::Publish(std::span<const uint8_t> packet) {
  const std::size_t n = std::min(packet.size(), kSize);
  std::lock_guard lock(mutex_);
  RxBuffer.fill(0);
  if (n > 0) std::memcpy(RxBuffer.data(), packet.data(), n);
  PacketReady = true;
}

bool PacketMailbox::Take(std::span<uint8_t> out) {
  std::lock_guard lock(mutex_);
  if (!PacketReady) return false;
  std::memcpy(out.data(), RxBuffer.data(), std::min(out.size(), kSize));
  PacketReady = false;
  return true;
}

bool PacketMailbox::Ready() const {
  std::lock_guard lock(mutex_);
  return PacketReady;
}
