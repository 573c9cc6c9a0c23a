#include "HeadlessProgram.h"

#include <algorithm>
#include <QJsonObject>
#include <QUrl>

#include "HttpView.h"
#include "PictureRender.h"
#include "PngImage.h"
#include "TerminalView.h"
#include "Tsiml.h"

namespace {
constexpr std::size_t kTerminalLogLines = 8;

template <std::size_t N>
int32_t IndexOf(const std::array<std::string_view, N>& items, int value) {
  const std::string text = std::to_string(value);
  const auto it = std::find(items.begin(), items.end(), text);
  return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

// Why the stored display type gives no engine, or nothing when it does.
std::optional<QString> ChoiceProblem(const SimulatorSettings& s) {
  const DisplayChoices choices = ChoicesOf(s);
  if (choices.columns.empty()) return QString("Columns=%1 is outside its list").arg(s.columns);
  if (choices.lines.empty()) return QString("Line=%1 is outside its list").arg(s.line);
  if (choices.rows.empty()) return QString("Rows=%1 is outside its list").arg(s.rows);
  return std::nullopt;
}
}  // namespace

HeadlessPlatform::HeadlessPlatform(PlatformHost& host, PacketMailbox& mailbox, LogSink& log,
                                   ThreadRegistry& threads, std::function<void()> tickFinished)
    : QtPlatform(host, mailbox, log, threads), tickFinished_(std::move(tickFinished)) {}

void HeadlessPlatform::TickFinished(const EngineSnapshot& snapshot) {
  QtPlatform::TickFinished(snapshot);
  if (!tickCallWaiting_.exchange(true))
    tickCalls_.Post([this] {
      tickCallWaiting_.store(false);
      tickFinished_();
    });
}

void ApplyOptions(const SignviewOptions& o, SimulatorSettings& s) {
  if (o.columns) s.columns = IndexOf(kColumnItems, *o.columns);
  if (o.lines) s.line = IndexOf(kLineItems, *o.lines);
  if (o.rows) s.rows = IndexOf(kRowItems, *o.rows);
  if (o.color) s.color = *o.color;
  if (o.port) s.remote = *o.port;
}

HeadlessProgram::HeadlessProgram(SettingsSource settings, SignviewOptions options, std::FILE* out,
                                 std::FILE* err)
    : settingsSource_(std::move(settings)), options_(std::move(options)), out_(out), err_(err),
      intake_(mailbox_, log_), platform_(*this, mailbox_, log_, threads_, [this] { ShowTick(); }) {
  connect(&log_, &LogSink::linesReady, this, &HeadlessProgram::ShowLines);
}

HeadlessProgram::~HeadlessProgram() { Stop(); }

std::optional<QString> HeadlessProgram::Start() {
  SettingsFile file = settingsSource_();
  if (!file.Load())
    std::fprintf(err_, "signview: %s cannot be read; using the defaults\n", file.ReadPath().c_str());
  settings_ = ReadSimulatorSettings(file);
  ApplyOptions(options_, settings_);
  if (auto problem = ChoiceProblem(settings_))
    return "the settings file chooses no display type (" + *problem + ")";

  if (options_.clock) {
    platform_.SetClockStart(*options_.clock);
    intake_.SetClock([this] { return platform_.LocalNow(); });
  }
  if (settings_.remote < 1 || settings_.remote > 65535)
    return QString("the packet port %1 is not a port from 1 to 65535").arg(settings_.remote);
  if (auto error = intake_.Listen(static_cast<quint16>(settings_.remote)))
    return QString("cannot listen for packets on port %1: %2").arg(settings_.remote).arg(*error);

  if (options_.httpPort) {
    http_ = std::make_unique<HttpView>(state_, [this](QJsonObject& state) {
      QJsonObject p;
      const DeviceParameters& d = settings_.eeprom;
      for (auto [key, value] : {std::pair{"ADRESA", int32_t{d.Adresa}}, {"JASSTATUS", d.JasStatus},
                                {"JASCOUNT", d.JasCount}, {"PAGING", d.Paging},
                                {"ACTUALTEXT", d.ActualText}, {"NUMBERTEXT", d.NumberText},
                                {"INIT", d.Init}, {"CLEAR", d.Clear}, {"CONTROL", d.Control},
                                {"FLASHON", d.FlashOn}, {"FLASHOFF", d.FlashOff},
                                {"SUMAOFF", d.SumaOff}, {"ODPOVEDOFF", d.OdpovedOff}})
        p[key] = value;
      state["parameters"] = p;
      state["packets"] = intake_.PacketCount() - 1;
      state["packetPort"] = intake_.Port();
    });
    const QHostAddress bind(options_.httpBind);
    if (bind.isNull()) return "--http-bind '" + options_.httpBind + "' is no IP address";
    httpPort_ = http_->Listen(bind, static_cast<quint16>(*options_.httpPort));
    if (httpPort_ == 0)
      return QString("cannot serve HTTP on %1 port %2").arg(options_.httpBind).arg(*options_.httpPort);
  }

  if (options_.terminal) std::fputs("\x1b[2J\x1b[?25l", out_);
  auto engine = std::make_shared<Tsiml>(platform_);
  engine_ = engine;
  threads_.Start(engine);
  started_ = true;
  const DisplayChoices choices = ChoicesOf(settings_);
  startLine_ = QString("signview: %1 columns, %2 lines, %3 %4%5; packets on port %6")
                   .arg(QString::fromStdString(choices.columns), QString::fromStdString(choices.lines),
                        QString::fromStdString(choices.rows), choices.rows == "1" ? "row" : "rows",
                        settings_.color ? ", colour" : "")
                   .arg(intake_.Port());
  if (http_) {
    QUrl page;  // brackets an IPv6 address
    page.setScheme("http");
    page.setHost(options_.httpBind);
    page.setPort(httpPort_);
    page.setPath("/");
    startLine_ += "; the sign on " + page.toString();
  }
  std::fprintf(err_, "%s\n", qPrintable(startLine_));
  std::fflush(err_);
  return std::nullopt;
}

void HeadlessProgram::ShowLines(const QStringList& lines) {
  for (const QString& line : lines) {
    state_.AppendLog(line.toStdString());
    if (options_.terminal) {
      recentLines_.push_back(line);
      if (recentLines_.size() > kTerminalLogLines) recentLines_.pop_front();
    } else {
      std::fprintf(out_, "%s\n", line.toUtf8().constData());
    }
  }
  std::fflush(out_);
}

void HeadlessProgram::ShowTick() {
  // Every view draws from the same snapshot, so the file, the HTTP view and
  // the terminal show one tick; the picture drawn from it is the window's.
  const EngineSnapshot snapshot = platform_.LatestSnapshot();
  state_.Update(snapshot);
  if (!options_.snapshot.isEmpty()) {
    QString error;
    const ClientPicture picture = RenderPicture(snapshot, snapshot.flashPhase == 1);
    if (picture.width > 0 && !WritePngAtomically(picture, options_.snapshot, &error)) {
      // Said once, not every tick, until a write succeeds again.
      if (error != snapshotError_)
        std::fprintf(err_, "signview: cannot write %s: %s\n", qPrintable(options_.snapshot),
                     qPrintable(error));
      snapshotError_ = error;
    } else {
      snapshotError_.clear();
    }
  }
  if (options_.terminal) {
    std::string frame = RenderTerminal(snapshot);
    // The start line stays under the sign: the terminal is cleared at start.
    frame += startLine_.toStdString() + "\x1b[K\n";
    for (const QString& line : recentLines_) frame += line.toStdString() + "\x1b[K\n";
    frame += "\x1b[J";
    std::fputs(frame.c_str(), out_);
    std::fflush(out_);
  }
  emit tickShown();
}

int HeadlessProgram::Stop() {
  if (stopped_) return 0;
  stopped_ = true;
  if (auto engine = engine_.lock()) {
    engine->Terminate();
    engine->TerminateMovingText();
  }
  platform_.Shutdown();
  platform_.StopTickCalls();
  threads_.StopAndJoinAll();
  intake_.Close();
  log_.Flush();
  if (options_.terminal) std::fputs("\x1b[0m\x1b[?25h\n", out_);
  std::fflush(out_);
  if (!started_) return 0;

  SettingsFile file = settingsSource_();
  file.Load();  // keeps the keys this program does not know
  WriteSimulatorSettings(file, settings_);
  if (auto error = file.Save()) {
    std::fprintf(err_, "signview: %s\n", error->c_str());
    return 1;
  }
  return 0;
}
