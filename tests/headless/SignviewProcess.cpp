#include "SignviewProcess.h"

#include <sys/prctl.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

#include "ShellTestSupport.h"

namespace {
constexpr int kStartTimeoutMs = 20000;
// A port taken by someone else between our probe and the program's listen
// is tried again with another one.
constexpr int kStartAttempts = 3;
}  // namespace

HttpReply Fetch(const QString& url, const QByteArray& method) {
  QNetworkAccessManager manager;
  manager.setProxy(QNetworkProxy::NoProxy);
  QNetworkRequest request{QUrl(url)};
  std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  HttpReply r;
  if (!reply->isFinished()) return r;
  r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  r.body = reply->readAll();
  r.type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
  return r;
}

bool PollUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeoutMs) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

ProgramRun RunSignview(const QStringList& arguments) {
  QProcess process;
  process.start(SIGNVIEW_EXE, arguments);
  ProgramRun run;
  if (!process.waitForFinished(kStartTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.out = process.readAllStandardOutput();
  run.err = process.readAllStandardError();
  if (process.exitStatus() == QProcess::NormalExit) run.code = process.exitCode();
  return run;
}

bool SignviewProcess::Start(const QStringList& options, bool withHttp) {
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (StartOnce(options, withHttp)) return true;
    if (!startProblem_.contains("cannot listen for packets")) return false;
  }
  return false;
}

SignviewProcess::~SignviewProcess() {
  if (!process_ || process_->state() == QProcess::NotRunning) return;
  // Every run ends as a user ends it, and must end cleanly (under the
  // sanitizers a leak or error report makes the exit code non-zero).
  const int code = Stop(SIGTERM);
  if (code != 0) ADD_FAILURE() << "signview ended with " << code << ": " << err_.right(4000).toStdString();
  if (process_->state() != QProcess::NotRunning) {
    process_->kill();
    process_->waitForFinished(5000);
  }
}

bool SignviewProcess::StartOnce(const QStringList& options, bool withHttp) {
  packetPort_ = FreePort();
  httpPort_ = 0;
  out_.clear();
  err_.clear();
  startProblem_.clear();
  QStringList arguments{"--headless", "--settings", SettingsPath(), "--port",
                        QString::number(packetPort_)};
  if (withHttp) arguments << "--http" << "0";
  arguments << options;
  process_ = std::make_unique<QProcess>();
  // A test run that dies leaves no program behind holding its ports.
  process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
  process_->start(SIGNVIEW_EXE, arguments);
  // The start line, on standard error: "…; packets on port P[; the sign
  // on http://ADDRESS:PORT/]".
  const QRegularExpression startLine(R"(packets on port (\d+)(?:; the sign on http://[^ ]+:(\d+)/)?\n)");
  QRegularExpressionMatch match;
  WaitUntil([&] {
    ReadOutput();
    match = startLine.match(QString::fromUtf8(err_));
    return match.hasMatch() || process_->state() == QProcess::NotRunning;
  }, kStartTimeoutMs);
  if (!match.hasMatch()) {
    process_->waitForFinished(2000);
    ReadOutput();
    startProblem_ = QString::fromUtf8(err_);
    if (startProblem_.isEmpty()) startProblem_ = "no start line within 20 s";
    return false;
  }
  httpPort_ = static_cast<quint16>(match.captured(2).toUInt());
  // With the HTTP view, the run counts as started once a tick was shown.
  if (withHttp && !PollUntil([&] { return !State().isEmpty(); }, kStartTimeoutMs)) {
    startProblem_ = "no tick shown within 20 s";
    return false;
  }
  return true;
}

void SignviewProcess::ReadOutput() {
  if (!process_) return;
  out_ += process_->readAllStandardOutput();
  err_ += process_->readAllStandardError();
}

QString SignviewProcess::Url(const QString& pathAndQuery) const {
  return QString("http://127.0.0.1:%1%2").arg(httpPort_).arg(pathAndQuery);
}

QJsonObject SignviewProcess::State() const {
  const HttpReply reply = Get("/state.json");
  if (reply.status != 200) return {};
  return QJsonDocument::fromJson(reply.body).object();
}

QImage SignviewProcess::Display(const QString& phase) const {
  const HttpReply reply = Get(phase.isEmpty() ? "/display.png" : "/display.png?phase=" + phase);
  if (reply.status != 200) return {};
  return QImage::fromData(reply.body, "PNG");
}

QStringList SignviewProcess::LogLines() const {
  QStringList lines;
  const HttpReply reply = Get("/log");
  for (const auto& entry : QJsonDocument::fromJson(reply.body)["lines"].toArray())
    lines << entry.toObject()["line"].toString();
  return lines;
}

bool SignviewProcess::WaitTicks(int n) {
  const auto tick = [this] { return State()["tick"].toInteger(-1); };
  const qint64 start = tick();
  return start >= 0 && PollUntil([&] { return tick() >= start + n; });
}

bool SignviewProcess::Send(const QStringList& texts) {
  for (const QString& text : texts) {
    // Every packet brings three log lines: the intake's two and, once the
    // engine has taken it, its status line.
    const qsizetype before = LogLines().size();
    QProcess signsend;
    signsend.start(SIGNSEND_EXE, {"--host", "127.0.0.1", "--port", QString::number(packetPort_), text});
    if (!signsend.waitForFinished(20000) || signsend.exitStatus() != QProcess::NormalExit ||
        signsend.exitCode() != 0)
      return false;
    if (!PollUntil([&] { return LogLines().size() >= before + 3; })) return false;
    if (!WaitTicks(1)) return false;
  }
  return true;
}

QByteArray SignviewProcess::Out() {
  ReadOutput();
  return out_;
}

QByteArray SignviewProcess::Err() {
  ReadOutput();
  return err_;
}

int SignviewProcess::Stop(int signal) {
  if (!process_ || process_->state() == QProcess::NotRunning) return -1;
  ::kill(static_cast<pid_t>(process_->processId()), signal);
  WaitUntil([&] {
    ReadOutput();
    return process_->state() == QProcess::NotRunning;
  }, 20000);
  if (process_->state() != QProcess::NotRunning) return -1;
  ReadOutput();
  return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
}
