#pragma once
// signview's command line. Without options signview opens its windows;
// the options run it without a window, for automated tests, build servers
// and remote looks at the sign.
#include <optional>
#include <variant>

#include <QDateTime>
#include <QString>
#include <QStringList>

struct SignviewOptions {
  bool headless = false;
  bool terminal = false;             // draw the sign in the terminal every tick
  std::optional<int> columns;        // 96, 120, 128, 144, 192 or 240
  std::optional<int> lines;          // 10, 16 or 20
  std::optional<int> rows;           // 1 to 4
  std::optional<bool> color;
  std::optional<int> port;           // the packet port, 1 to 65535
  QString snapshot;                  // PNG written after every tick, when set
  std::optional<int> httpPort;       // the HTTP view's port (0: any free port)
  QString httpBind = "127.0.0.1";
  std::optional<QDateTime> clock;    // the sign's clock starts here
  QString settings;                  // the settings file, when not the usual one
};

// What the command line asks for: a run with these options, or an end
// right away with a text for standard output (--help, --version) or, with
// a non-zero code, for standard error.
struct CommandLineExit {
  int code = 0;
  QString text;
};
using CommandLine = std::variant<SignviewOptions, CommandLineExit>;

// arguments include the program name first, as QCoreApplication gives them.
CommandLine ParseSignviewOptions(const QStringList& arguments);
