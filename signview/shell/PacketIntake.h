#pragma once
// The TCP intake: one packet per connection. For every accepted connection
// it counts the connection, takes one receive of what has arrived (at most
// 2048 bytes), logs a time-stamp line and a hexadecimal dump line, leaves
// the packet in the mailbox for the engine and closes the connection.
// Everything runs on the event loop of the thread that owns the intake; no
// connection holds a thread, and an idle one is closed after a time-out.
#include <functional>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class LogSink;
class PacketMailbox;
class QTcpSocket;

class PacketIntake : public QObject {
  Q_OBJECT
public:
  // Bytes taken from a connection: its one receive.
  static constexpr int kReceiveSize = 2048;
  // A connection that sends nothing for this long is closed.
  static constexpr int kIdleTimeoutMs = 10000;
  // Connections that may wait to be accepted at once.
  static constexpr int kBacklog = 1024;
  // After a failed accept (out of file descriptors) the server tries again
  // this much later; the connections wait in the backlog meanwhile.
  static constexpr int kAcceptRetryMs = 100;

  // mailbox and log must outlive the intake.
  PacketIntake(PacketMailbox& mailbox, LogSink& log, QObject* parent = nullptr);
  ~PacketIntake() override;

  // Listens on port on all local addresses (0: any free port). On success
  // the server listening before is closed (connections being served carry
  // on) and the result is empty; on failure the server listening before
  // stays and the result is the system's reason.
  std::optional<QString> Listen(quint16 port);
  // Stops listening; connections being served carry on.
  void Close();
  bool Listening() const;
  // The port listened on, 0 when not listening.
  quint16 Port() const;

  // The local time of the time-stamp lines (tests fix it).
  void SetClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }
  void SetIdleTimeout(int milliseconds) { idleTimeoutMs_ = milliseconds; }

  // The number the next connection gets; 1 at start, it only grows.
  int PacketCount() const { return PacketCount_; }
  // Connections accepted and not yet finished.
  int OpenConnections() const { return openConnections_; }

  // "DD.MM.YYYY  HH:mm:ss -> Read String [Hex]:" for the time t.
  static QString TimeStampLine(const QDateTime& t);

signals:
  // A connection was accepted and got the number n.
  void connectionCounted(int n);

private:
  void TcpServerAccept();
  // The one receive: what has arrived (nothing when the peer closed or the
  // time-out came), then the log lines; published unless timedOut.
  void Finish(QTcpSocket* socket, const QDateTime& accepted, bool timedOut);

  PacketMailbox& mailbox_;
  LogSink& log_;
  QPointer<QTcpServer> server_;
  std::function<QDateTime()> clock_ = [] { return QDateTime::currentDateTime(); };
  int idleTimeoutMs_ = kIdleTimeoutMs;
  int PacketCount_ = 1;
  int openConnections_ = 0;
};
