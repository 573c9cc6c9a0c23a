#pragma once
// The real signview program run without a window, for end-to-end tests:
// its own settings file in a temporary folder, a free packet port, the HTTP
// view on the port the program reports, texts sent with signsend's command
// line. Everything waits on the test's event loop, never on fixed sleeps.
#include <csignal>
#include <functional>
#include <memory>
#include <string>

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An HTTP answer; status 0 when none came.
struct HttpReply {
  int status = 0;
  QByteArray body;
  QByteArray type;
};

// GET (or another method) of url over loopback, without any proxy; waits at
// most 10 s.
HttpReply Fetch(const QString& url, const QByteArray& method = "GET");

// Runs the event loop until done() holds, looking every 20 ms (done() may
// ask the program over HTTP); false when timeoutMs passed first.
bool PollUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// A finished run of a program: exit code (-1 when it crashed or hung) and
// what it printed.
struct ProgramRun {
  int code = -1;
  QByteArray out;
  QByteArray err;
};

// Runs signview with exactly these arguments (no settings file given unless
// they name one) and waits for it to end, at most 20 s.
ProgramRun RunSignview(const QStringList& arguments);

class SignviewProcess {
public:
  // Makes the temporary folder; nothing runs yet.
  SignviewProcess() = default;
  // A program still running is stopped with SIGTERM; a test fails when it
  // does not end with code 0 (killed when it does not end at all).
  ~SignviewProcess();
  SignviewProcess(const SignviewProcess&) = delete;
  SignviewProcess& operator=(const SignviewProcess&) = delete;

  // Starts signview --headless --settings <temporary>/signview.INI
  // --port <free> --http 0, followed by options, and waits for its start
  // line and (with HTTP) its first tick. withHttp false leaves out
  // --http 0. Returns whether it runs;
  // StartProblem() then says why not.
  bool Start(const QStringList& options = {}, bool withHttp = true);
  // Why it did not start (its standard error), for failure messages.
  std::string StartProblem() const { return startProblem_.toStdString(); }

  quint16 PacketPort() const { return packetPort_; }
  quint16 HttpPort() const { return httpPort_; }
  QString Url(const QString& pathAndQuery) const;
  // A file in the run's temporary folder.
  QString FilePath(const QString& name) const { return dir_.filePath(name); }
  QString SettingsPath() const { return FilePath("signview.INI"); }

  HttpReply Get(const QString& pathAndQuery) const { return Fetch(Url(pathAndQuery)); }
  // /state.json, empty when it could not be had.
  QJsonObject State() const;
  // /display.png (phase "a", "b" or "" for the phase showing); null when
  // it could not be had.
  QImage Display(const QString& phase = {}) const;
  // The text of every line /log holds.
  QStringList LogLines() const;

  // Sends each text as one packet with signsend's command line and waits,
  // after each, until the sign has interpreted it and shown a tick since.
  // Returns false when signsend failed or the sign never got there.
  bool Send(const QStringList& texts);
  // Waits until the sign has shown n more ticks.
  bool WaitTicks(int n);

  // Standard output and error printed so far.
  QByteArray Out();
  QByteArray Err();

  // Sends the signal and waits for the end; the exit code, or -1 when the
  // program crashed or did not end within 20 s.
  int Stop(int signal = SIGTERM);

private:
  bool StartOnce(const QStringList& options, bool withHttp);
  void ReadOutput();

  QTemporaryDir dir_;
  std::unique_ptr<QProcess> process_;
  QByteArray out_, err_;
  quint16 packetPort_ = 0;
  quint16 httpPort_ = 0;
  QString startProblem_;
};
