#include "HttpView.h"

#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

#include "CodePage1250.h"
#include "PictureRender.h"
#include "PngImage.h"

namespace {
using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

// Bytes up to the first zero, in hex and as text (the sign's code page).
QJsonObject BytesJson(const uint8_t* bytes, std::size_t size) {
  std::size_t n = 0;
  while (n < size && bytes[n] != 0) ++n;
  const std::u32string text = DecodeCp1250(std::span<const uint8_t>(bytes, n));
  return {{"hex", QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes),
                                                 static_cast<qsizetype>(n))
                                          .toHex(' ')
                                          .toUpper())},
          {"text", QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()))}};
}

QHttpServerResponse Json(const QJsonDocument& doc) {
  return QHttpServerResponse("application/json", doc.toJson(QJsonDocument::Compact));
}

QHttpServerResponse NotYet() {
  return QHttpServerResponse("text/plain", "the sign has not shown a tick yet\n",
                             Status::ServiceUnavailable);
}
}  // namespace

HttpView::HttpView(SignState& state, std::function<void(QJsonObject&)> addState, QObject* parent)
    : QObject(parent), state_(state), addState_(std::move(addState)),
      server_(std::make_unique<QHttpServer>()) {
  // Each page answers GET only; other methods on a known path get 405.
  auto getOnly = [this](const char* path, auto handler) {
    server_->route(path, [handler](const QHttpServerRequest& request) {
      if (request.method() != Method::Get)
        return QHttpServerResponse("text/plain", "only GET is served here\n",
                                   Status::MethodNotAllowed);
      return handler(request);
    });
  };

  getOnly("/", [](const QHttpServerRequest&) {
    QFile page(":/web/index.html");
    page.open(QIODevice::ReadOnly);
    return QHttpServerResponse("text/html; charset=utf-8", page.readAll());
  });
  getOnly("/display.png", [this](const QHttpServerRequest& request) {
    const auto snapshot = state_.Latest();
    if (!snapshot) return NotYet();
    const QString phase = QUrlQuery(request.url()).queryItemValue("phase").toLower();
    bool phaseA = snapshot->flashPhase == 1;
    if (phase == "a") phaseA = true;
    else if (phase == "b") phaseA = false;
    else if (!phase.isEmpty())
      return QHttpServerResponse("text/plain", "phase is a or b\n", Status::BadRequest);
    QHttpServerResponse response("image/png", EncodePng(RenderPicture(*snapshot, phaseA)));
    response.setHeader("Cache-Control", "no-store");
    return response;
  });
  getOnly("/state.json", [this](const QHttpServerRequest&) {
    const auto snapshot = state_.Latest();
    if (!snapshot) return NotYet();
    return Json(QJsonDocument(StateJson(*snapshot)));
  });
  getOnly("/log", [this](const QHttpServerRequest& request) {
    const uint64_t since = QUrlQuery(request.url()).queryItemValue("since").toULongLong();
    QJsonArray lines;
    for (const auto& [number, text] : state_.LogSince(since))
      lines.append(QJsonObject{{"n", static_cast<qint64>(number)},
                               {"line", QString::fromStdString(text)}});
    return Json(QJsonDocument(QJsonObject{{"lines", lines}}));
  });
  server_->setMissingHandler([](const QHttpServerRequest&, QHttpServerResponder&& responder) {
    responder.write("not found\n", "text/plain", Status::NotFound);
  });
}

HttpView::~HttpView() = default;

quint16 HttpView::Listen(const QHostAddress& address, quint16 port) {
  return server_->listen(address, port);
}

QJsonObject HttpView::StateJson(const EngineSnapshot& s) const {
  QJsonArray variables;
  for (const auto& variable : s.variables) variables.append(BytesJson(variable, sizeof variable));
  QJsonObject state{
      {"columns", s.columns},
      {"lines", s.lines},
      {"rows", s.rows},
      {"color", s.color},
      {"text", BytesJson(s.text, sizeof s.text)},
      {"variables", variables},
      {"moving", s.moving},
      {"flashPhase", s.flashPhase == 1 ? "a" : "b"},
      {"tick", static_cast<qint64>(s.tick)},
  };
  if (addState_) addState_(state);
  return state;
}
