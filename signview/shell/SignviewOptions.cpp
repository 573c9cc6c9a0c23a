#include "SignviewOptions.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace {
const char* const kVersion = "1.04.00";

// An integer option's value, checked against the values allowed.
std::optional<int> Number(const QString& text, const QList<int>& allowed, int low, int high) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok) return std::nullopt;
  if (!allowed.isEmpty() ? !allowed.contains(value) : (value < low || value > high))
    return std::nullopt;
  return value;
}
}  // namespace

CommandLine ParseSignviewOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Simulates a Lumidot LED sign: packets sent to its TCP port show as the sign would "
      "show them.\nWithout options it opens its windows.");
  const QCommandLineOption help({"h", "help"}, "Shows this help.");
  const QCommandLineOption version({"v", "version"}, "Shows the version.");
  const QCommandLineOption headless("headless", "Runs without a window, the display started at once; "
                                                "log lines go to standard output.");
  const QCommandLineOption terminal("terminal", "Draws the sign in the terminal every tick.");
  const QCommandLineOption columns("columns", "LED columns: 96, 120, 128, 144, 192 or 240.", "n");
  const QCommandLineOption lines("lines", "LED lines per row: 10, 16 or 20.", "n");
  const QCommandLineOption rows("rows", "Sign rows: 1 to 4.", "n");
  const QCommandLineOption color("color", "Colour codes honoured: on or off.", "on|off");
  const QCommandLineOption port("port", "The packet port (default 10001).", "port");
  const QCommandLineOption snapshot("snapshot", "Writes the sign's picture as PNG after every tick.",
                                    "file");
  const QCommandLineOption http("http", "Serves the sign over HTTP on this port.", "port");
  const QCommandLineOption httpBind("http-bind", "Address the HTTP view listens on "
                                                 "(default 127.0.0.1).",
                                    "address");
  const QCommandLineOption clock("clock", "Starts the sign's clock at this local time.",
                                 "YYYY-MM-DD HH:MM:SS");
  const QCommandLineOption settings("settings", "Reads and writes this settings file instead of "
                                                "signview.INI beside the program.",
                                    "file");
  parser.addOptions({help, version, headless, terminal, columns, lines, rows, color, port,
                     snapshot, http, httpBind, clock, settings});

  auto refuse = [](const QString& why) {
    return CommandLineExit{2, "signview: " + why + "\nTry 'signview --help'."};
  };
  if (!parser.parse(arguments)) return refuse(parser.errorText());
  if (parser.isSet(help))
    return CommandLineExit{0, parser.helpText().replace("<executable_name>", "signview")};
  if (parser.isSet(version)) return CommandLineExit{0, QString("signview ") + kVersion};
  if (!parser.positionalArguments().isEmpty())
    return refuse("unexpected argument '" + parser.positionalArguments().first() + "'");

  SignviewOptions o;
  o.headless = parser.isSet(headless);
  o.terminal = parser.isSet(terminal);
  struct NumberOption {
    const QCommandLineOption& option;
    std::optional<int>& into;
    QList<int> allowed;
    int low, high;
    const char* what;
  };
  const NumberOption numbers[] = {
      {columns, o.columns, {96, 120, 128, 144, 192, 240}, 0, 0, "96, 120, 128, 144, 192 or 240"},
      {lines, o.lines, {10, 16, 20}, 0, 0, "10, 16 or 20"},
      {rows, o.rows, {}, 1, 4, "1 to 4"},
      {port, o.port, {}, 1, 65535, "a port from 1 to 65535"},
      {http, o.httpPort, {}, 0, 65535, "a port from 0 to 65535"},
  };
  for (const auto& n : numbers) {
    if (!parser.isSet(n.option)) continue;
    const QString text = parser.value(n.option);
    n.into = Number(text, n.allowed, n.low, n.high);
    if (!n.into)
      return refuse(QString("--%1 '%2' is not %3").arg(n.option.names().first(), text, n.what));
  }
  if (parser.isSet(color)) {
    const QString text = parser.value(color).toLower();
    if (text == "on" || text == "1" || text == "yes") o.color = true;
    else if (text == "off" || text == "0" || text == "no") o.color = false;
    else return refuse("--color '" + parser.value(color) + "' is not on or off");
  }
  o.snapshot = parser.value(snapshot);
  o.settings = parser.value(settings);
  if (parser.isSet(httpBind)) {
    o.httpBind = parser.value(httpBind);
    if (QHostAddress(o.httpBind).isNull())
      return refuse("--http-bind '" + o.httpBind + "' is not an IP address");
  }
  if (parser.isSet(clock)) {
    const QDateTime start = QDateTime::fromString(parser.value(clock), "yyyy-MM-dd HH:mm:ss");
    if (!start.isValid())
      return refuse("--clock '" + parser.value(clock) + "' is not YYYY-MM-DD HH:MM:SS");
    o.clock = start;
  }
  const bool windowless = o.headless;
  if (!windowless && (o.terminal || !o.snapshot.isEmpty() || o.httpPort))
    return refuse("--terminal, --snapshot and --http need --headless");
  return o;
}
