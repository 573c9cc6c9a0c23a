#pragma once
// Helpers of the shell tests: waiting on the event loop, a free port, a
// blocking loopback client, and the packets' bytes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <QEventLoop>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

// Runs the event loop until done() holds or timeoutMs passed; the result
// is done() at the end. done() is looked at every millisecond.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  poll.start(1);
  loop.exec();
  return done();
}

// A port that nothing listens on right now.
inline quint16 FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

// A blocking client on 127.0.0.1. Connecting, sending and closing do not
// need the server to accept first (the listen backlog takes the
// connection), so a test can use it on the thread that runs the server.
class LoopbackClient {
public:
  explicit LoopbackClient(quint16 port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~LoopbackClient() { Close(); }
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;
  LoopbackClient(LoopbackClient&& other) noexcept : fd_(other.fd_), connected_(other.connected_) {
    other.fd_ = -1;
  }

  bool Connected() const { return connected_; }
  // Sends all of bytes in one call; false when the connection is gone.
  bool Send(std::span<const uint8_t> bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
  bool connected_ = false;
};

// Connects, sends bytes and closes: one packet, as a sender does.
inline bool SendPacket(quint16 port, std::span<const uint8_t> bytes) {
  LoopbackClient client(port);
  return client.Connected() && client.Send(bytes);
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
