#include "PacketIntake.h"

#include <memory>
#include <span>

#include <QTcpSocket>
#include <QTimer>

#include "LogSink.h"
#include "Packet.h"
#include "PacketMailbox.h"

PacketIntake::PacketIntake(PacketMailbox& mailbox, LogSink& log, QObject* parent)
    : QObject(parent), mailbox_(mailbox), log_(log) {}

PacketIntake::~PacketIntake() = default;

std::optional<QString> PacketIntake::Listen(quint16 port) {
  auto* server = new QTcpServer(this);
  server->setListenBacklogSize(kBacklog);
  server->setMaxPendingConnections(kBacklog);
  if (!server->listen(QHostAddress::Any, port)) {
    QString reason = server->errorString();
    delete server;
    return reason;
  }
  connect(server, &QTcpServer::newConnection, this, &PacketIntake::TcpServerAccept);
  // Qt stops accepting after a failed accept, for good: when every file
  // descriptor is taken by connections being served, the sign would take no
  // packet again after they end. So it resumes once some may have ended.
  connect(server, &QTcpServer::acceptError, server, [server] {
    QTimer::singleShot(kAcceptRetryMs, server, [server] { server->resumeAccepting(); });
  });
  Close();
  server_ = server;
  return std::nullopt;
}

void PacketIntake::Close() {
  if (!server_) return;
  server_->close();
  server_->deleteLater();
  server_ = nullptr;
}

bool PacketIntake::Listening() const { return server_ && server_->isListening(); }

quint16 PacketIntake::Port() const { return Listening() ? server_->serverPort() : 0; }

QString PacketIntake::TimeStampLine(const QDateTime& t) {
  return t.toString(QStringLiteral("dd.MM.yyyy  HH:mm:ss")) + QStringLiteral(" -> Read String [Hex]:");
}

void PacketIntake::TcpServerAccept() {
  auto* server = qobject_cast<QTcpServer*>(sender());
  if (!server) return;
  while (QTcpSocket* socket = server->nextPendingConnection()) {
    // The intake, not the server, owns the connection: a server closed by a
    // change of port must not cut connections being served.
    socket->setParent(this);
    ++openConnections_;
    const QDateTime accepted = clock_();
    const int n = PacketCount_++;
    emit connectionCounted(n);

    // Qt reads no more than the one receive may take.
    socket->setReadBufferSize(kReceiveSize);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the time-out is a promise.
    idle->setTimerType(Qt::PreciseTimer);
    connect(idle, &QTimer::timeout, this, [this, socket, accepted] { Finish(socket, accepted, true); });
    auto received = [this, socket, accepted] { Finish(socket, accepted, false); };
    connect(socket, &QTcpSocket::readyRead, this, received);
    connect(socket, &QTcpSocket::disconnected, this, received);
    connect(socket, &QTcpSocket::errorOccurred, this, received);
    idle->start(idleTimeoutMs_);
    if (socket->bytesAvailable() > 0 || socket->state() != QAbstractSocket::ConnectedState) received();
  }
}

void PacketIntake::Finish(QTcpSocket* socket, const QDateTime& accepted, bool timedOut) {
  // Every signal of this connection leads here; only the first one counts.
  if (socket->property("finished").toBool()) return;
  socket->setProperty("finished", true);
  --openConnections_;

  const QByteArray data = timedOut ? QByteArray() : socket->read(kReceiveSize);
  const auto bytes = std::span(reinterpret_cast<const uint8_t*>(data.constData()),
                               static_cast<std::size_t>(data.size()));
  log_.Append(TimeStampLine(accepted));
  log_.Append(QString::fromStdString(HexDump(bytes)));
  // A connection that timed out sent nothing and leaves a waiting packet
  // alone; one whose peer closed without sending publishes the empty packet.
  if (!timedOut) mailbox_.Publish(bytes);

  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}
