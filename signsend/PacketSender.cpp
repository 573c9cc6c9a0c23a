#include "PacketSender.h"

#include <QTcpSocket>

PacketSender::PacketSender(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &PacketSender::OnTimeout);
}

PacketSender::~PacketSender() {
  if (socket_ != nullptr) {
    socket_->disconnect(this);
    socket_->abort();
    delete socket_;
  }
}

void PacketSender::SetTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

bool PacketSender::Send(const QString& host, quint16 port, const QByteArray& packet) {
  if (Busy()) return false;
  phase_ = Phase::Connecting;
  packet_ = packet;
  socket_ = new QTcpSocket(this);
  connect(socket_, &QTcpSocket::connected, this, &PacketSender::OnConnected);
  connect(socket_, &QTcpSocket::stateChanged, this, &PacketSender::OnStateChanged);
  timer_.start(timeoutMs_);
  socket_->connectToHost(host, port);
  return true;
}

void PacketSender::OnConnected() {
  phase_ = Phase::Sending;
  timer_.start(timeoutMs_);  // now guards the close
  emit Connected();
  socket_->write(packet_);
  emit Sent();
  // Closes once the packet has gone out; the state change to unconnected
  // ends the send.
  socket_->disconnectFromHost();
}

void PacketSender::OnStateChanged(QAbstractSocket::SocketState state) {
  if (state != QAbstractSocket::UnconnectedState) return;
  if (phase_ == Phase::Connecting) {
    emit ConnectFailed();
    Finish(false);
  } else if (phase_ == Phase::Sending) {
    // Also when the peer dropped the connection or the send failed: the
    // packet was handed over, and nothing tells more.
    emit Disconnected();
    Finish(true);
  }
}

void PacketSender::OnTimeout() {
  if (socket_ == nullptr) return;
  // Aborting moves the socket to the unconnected state, which ends the send
  // as a failed connect or as a disconnect; the calls below only make sure.
  const QTcpSocket* socket = socket_;
  const Phase phase = phase_;
  socket_->abort();
  if (socket_ != socket) return;  // already ended
  if (phase == Phase::Connecting) {
    emit ConnectFailed();
    Finish(false);
  } else if (phase == Phase::Sending) {
    emit Disconnected();
    Finish(true);
  }
}

void PacketSender::Finish(bool sent) {
  timer_.stop();
  phase_ = Phase::Idle;
  socket_->disconnect(this);
  socket_->deleteLater();
  socket_ = nullptr;
  packet_.clear();
  emit Finished(sent);
}
