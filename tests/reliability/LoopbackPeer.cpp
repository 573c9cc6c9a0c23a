#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {
int ConnectLoopback(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}
}  // namespace

LoopbackPeer::LoopbackPeer(uint16_t port) : fd_(ConnectLoopback(port)), connected_(fd_ >= 0) {}

LoopbackPeer::~LoopbackPeer() { Close(); }

LoopbackPeer::LoopbackPeer(LoopbackPeer&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), connected_(other.connected_) {}

LoopbackPeer& LoopbackPeer::operator=(LoopbackPeer&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    connected_ = other.connected_;
  }
  return *this;
}

bool LoopbackPeer::Send(std::span<const uint8_t> bytes) {
  if (fd_ < 0) return false;
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool LoopbackPeer::ClosedByServer() {
  if (fd_ < 0) return true;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  char byte;
  // The server never answers: anything readable is its end or its reset.
  const ssize_t n = ::recv(fd_, &byte, 1, MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

void LoopbackPeer::Reset() {
  if (fd_ < 0) return;
  const linger abortive{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  Close();
}

void LoopbackPeer::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool SendPacket(uint16_t port, std::span<const uint8_t> bytes) {
  LoopbackPeer peer(port);
  return peer.Connected() && peer.Send(bytes);
}

std::optional<std::string> HttpGet(uint16_t port, const std::string& path) {
  const int fd = ConnectLoopback(port);
  if (fd < 0) return std::nullopt;
  const timeval wait{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  std::string answer;
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    // Read until the whole body (Content-Length) or the end of the stream.
    char buffer[8192];
    for (;;) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      answer.append(buffer, static_cast<std::size_t>(n));
      const auto headerEnd = answer.find("\r\n\r\n");
      if (headerEnd == std::string::npos) continue;
      const auto length = answer.find("Content-Length: ");
      if (length != std::string::npos && length < headerEnd &&
          answer.size() >= headerEnd + 4 + std::strtoul(answer.c_str() + length + 16, nullptr, 10))
        break;
    }
  }
  ::close(fd);
  const auto headerEnd = answer.find("\r\n\r\n");
  if (answer.rfind("HTTP/1.1 200", 0) != 0 || headerEnd == std::string::npos) return std::nullopt;
  return answer.substr(headerEnd + 4);
}
