#pragma once
// The sign over HTTP, for browsers and scripts:
//   GET /              a live page: the sign as it changes, the log below
//   GET /display.png   the window's picture of the last tick
//                      (?phase=a or ?phase=b: that flash phase)
//   GET /state.json    geometry, parameters, text, variables, flash phase …
//   GET /log           recent log lines as JSON (?since=N: lines after N)
// Unknown paths get 404, other methods on these paths 405. The server
// answers HTTP only; packets go to the sign's own port.
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <functional>
#include <memory>

#include "SignState.h"

class QHttpServer;

class HttpView : public QObject {
  Q_OBJECT
public:
  // state must outlive the view. addState adds what the program knows
  // beyond the engine (device parameters, packet count) to /state.json.
  HttpView(SignState& state, std::function<void(QJsonObject&)> addState, QObject* parent = nullptr);
  ~HttpView() override;

  // Listens on address:port (port 0: any free port). Returns the port, or 0
  // when it cannot listen.
  quint16 Listen(const QHostAddress& address, quint16 port);

  // The JSON of /state.json for a snapshot (also used by tests).
  QJsonObject StateJson(const EngineSnapshot& snapshot) const;

private:
  SignState& state_;
  std::function<void(QJsonObject&)> addState_;
  std::unique_ptr<QHttpServer> server_;
};
