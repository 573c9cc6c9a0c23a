#pragma once
// Loopback TCP clients that a test drives by hand, one step at a time, so
// hundreds of them fit on one thread: connect, send, look whether the
// server has closed, reset.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class LoopbackPeer {
public:
  // Connects to 127.0.0.1:port (blocking; the listen backlog completes it).
  explicit LoopbackPeer(uint16_t port);
  ~LoopbackPeer();
  LoopbackPeer(LoopbackPeer&& other) noexcept;
  LoopbackPeer& operator=(LoopbackPeer&& other) noexcept;
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  bool Connected() const { return connected_; }
  bool Open() const { return fd_ >= 0; }
  // Sends every byte; false when the connection is gone.
  bool Send(std::span<const uint8_t> bytes);
  // Without waiting: true once the server has closed or reset the
  // connection (end of stream or an error on it).
  bool ClosedByServer();
  // Closes with an abortive close: the server gets a reset, not an end.
  void Reset();
  void Close();

private:
  int fd_ = -1;
  bool connected_ = false;
};

// One packet as a sender sends it: connect, send, close. False when the
// connection or the send failed.
bool SendPacket(uint16_t port, std::span<const uint8_t> bytes);

// The body of GET path from 127.0.0.1:port when the answer is 200, else
// nothing. Waits at most 10 s.
std::optional<std::string> HttpGet(uint16_t port, const std::string& path);

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
