#pragma once
// Peers on 127.0.0.1 for the sender's tests: one that keeps what each
// connection brought, one that never answers a connect, and a port where
// nothing listens.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <fcntl.h>
#include <poll.h>

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <map>
#include <vector>

// Takes every connection and keeps its bytes; a connection counts as closed
// when the sender has closed it.
class LoopbackPeer : public QObject {
public:
  LoopbackPeer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++opened_;
        open_[socket];
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { open_[socket] += socket->readAll(); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
          closed_.push_back(open_[socket] + socket->readAll());
          open_.erase(socket);
          socket->deleteLater();
        });
      }
    });
  }
  // Connections still open are dropped without counting as closed.
  ~LoopbackPeer() override {
    for (auto& [socket, bytes] : open_) socket->disconnect(this);
  }

  quint16 Port() const { return server_.serverPort(); }
  int Opened() const { return opened_; }
  // The bytes of each connection the sender closed, in the order closed.
  const std::vector<QByteArray>& Closed() const { return closed_; }
  bool WaitForClosed(std::size_t count) {
    return QTest::qWaitFor([&] { return closed_.size() >= count; }, 10000);
  }

private:
  int opened_ = 0;
  std::map<QTcpSocket*, QByteArray> open_;
  std::vector<QByteArray> closed_;
  QTcpServer server_;  // last, so it goes first
};

// A port on 127.0.0.1 where nothing listens: a connect there is refused.
inline quint16 PortWithoutListener() {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost, 0);
  return server.serverPort();  // closed again when server goes
}

// A listener whose queue of unaccepted connections is full, so the kernel
// drops every further connect request and a connect there never completes.
class StalledListener {
public:
  StalledListener() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 0);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    // Connect until one connect is left hanging: the queue is full then.
    for (int i = 0; i < 16; ++i) {
      const int client = socket(AF_INET, SOCK_STREAM, 0);
      fcntl(client, F_SETFL, O_NONBLOCK);
      ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
      clients_.push_back(client);
      pollfd wait{client, POLLOUT, 0};
      if (poll(&wait, 1, 300) == 0) {
        full_ = true;
        break;
      }
    }
  }
  ~StalledListener() {
    for (int client : clients_) ::close(client);
    ::close(listener_);
  }
  quint16 Port() const { return port_; }
  bool Full() const { return full_; }

private:
  int listener_ = -1;
  quint16 port_ = 0;
  bool full_ = false;
  std::vector<int> clients_;
};
