// signview: the Lumidot sign simulator. Without options it opens its
// windows; with --headless it runs without one (see --help).
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <variant>

#include <QApplication>
#include <QMessageBox>

#include "HeadlessProgram.h"
#include "SettingsFile.h"
#include "SignviewOptions.h"
#include "SignviewProgram.h"
#include "StopSignals.h"

namespace {

// The settings file: --settings, or signview.INI beside the program.
QString settingsPath;

SettingsFile ProgramSettings() {
  if (!settingsPath.isEmpty()) return SettingsFile::AtPath(settingsPath.toStdString());
  return SettingsFile::ForProgram(QCoreApplication::applicationDirPath().toStdString(),
                                  "signview.INI");
}

// Every connection holds a file descriptor until its packet is taken, and
// the usual soft limit (often 1024) is far below what the system allows a
// program: raise it to the hard limit, at most 65536.
void RaiseFileLimit() {
  constexpr rlim_t kMost = 65536;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = std::min(limit.rlim_max, kMost);
  if (limit.rlim_cur >= wanted) return;
  limit.rlim_cur = wanted;
  setrlimit(RLIMIT_NOFILE, &limit);
}

QStringList Arguments(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

int RunHeadless(int argc, char* argv[], const SignviewOptions& options) {
  QCoreApplication app(argc, argv);
  HeadlessProgram program(ProgramSettings, options);
  if (auto error = program.Start()) {
    std::fprintf(stderr, "signview: %s\n", qPrintable(*error));
    program.Stop();
    return 1;
  }
  StopSignals stopSignals;
  QObject::connect(&stopSignals, &StopSignals::stopRequested, &app,
                   [&] { app.exit(program.Stop()); });
  return app.exec();
}

// Display-type options given to the windowed program are stored as if they
// had been chosen in the main window, which then reads them.
void StoreWindowChoices(const SignviewOptions& options) {
  if (!options.columns && !options.lines && !options.rows && !options.color && !options.port) return;
  SettingsFile file = ProgramSettings();
  file.Load();
  SimulatorSettings settings = ReadSimulatorSettings(file);
  ApplyOptions(options, settings);
  WriteSimulatorSettings(file, settings);
  if (auto error = file.Save()) std::fprintf(stderr, "signview: %s\n", error->c_str());
}

int RunWindows(int argc, char* argv[], const SignviewOptions& options) {
  QApplication app(argc, argv);
  // The program ends when the main window closes, whatever else is open.
  app.setQuitOnLastWindowClosed(false);
  try {
    StoreWindowChoices(options);
    SignviewProgram program(ProgramSettings);
    if (options.clock) {
      program.Platform().SetClockStart(*options.clock);
      program.Intake().SetClock([&program] { return program.Platform().LocalNow(); });
    }
    QObject::connect(&program, &SignviewProgram::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &program, &SignviewProgram::RequestStop);
    program.Start();
    return app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("signview"), QString::fromLocal8Bit(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, QStringLiteral("signview"), QString());
  }
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const CommandLine command = ParseSignviewOptions(Arguments(argc, argv));
  if (const auto* exit = std::get_if<CommandLineExit>(&command)) {
    std::fprintf(exit->code == 0 ? stdout : stderr, "%s\n", qPrintable(exit->text));
    return exit->code;
  }
  const auto& options = std::get<SignviewOptions>(command);
  settingsPath = options.settings;
  RaiseFileLimit();
  return options.headless ? RunHeadless(argc, argv, options) : RunWindows(argc, argv, options);
}
