#pragma once
// One packet over one TCP connection, without ever blocking the caller's
// thread: connect, send the packet, close. The connect is given up after a
// time-out.
#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

class PacketSender : public QObject {
  Q_OBJECT
public:
  static constexpr int kDefaultTimeoutMs = 5000;

  explicit PacketSender(QObject* parent = nullptr);
  ~PacketSender() override;

  // How long a connect (and, once connected, the close) may take before it
  // is given up, in milliseconds.
  void SetTimeout(int milliseconds);

  // Whether a send is under way.
  bool Busy() const { return phase_ != Phase::Idle; }

  // Starts sending packet to host (a name or an address) at port. Progress
  // is told by the signals below, in this order: Connected, Sent,
  // Disconnected for a packet sent; ConnectFailed when no connection was
  // made. Finished always comes last, once. Returns false, doing nothing,
  // while an earlier send is under way.
  bool Send(const QString& host, quint16 port, const QByteArray& packet);

signals:
  void Connected();
  // The packet was handed to the connection (whether the peer takes it is
  // not known: nothing comes back).
  void Sent();
  void Disconnected();
  void ConnectFailed();
  void Finished(bool sent);

private:
  enum class Phase { Idle, Connecting, Sending };

  void OnConnected();
  void OnStateChanged(QAbstractSocket::SocketState state);
  void OnTimeout();
  // Ends the send: drops the socket, then tells Finished.
  void Finish(bool sent);

  Phase phase_ = Phase::Idle;
  QTcpSocket* socket_ = nullptr;
  QByteArray packet_;
  QTimer timer_;
  int timeoutMs_ = kDefaultTimeoutMs;
};
