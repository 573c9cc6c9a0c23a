#pragma once
// signview without a window: the same intake, engine, settings and log as
// the windowed program, with the display started at once. Log lines go to
// standard output; the sign can be watched as a PNG file rewritten every
// tick, over HTTP and in the terminal.
#include <atomic>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "LogSink.h"
#include "MainThreadHandOff.h"
#include "PacketIntake.h"
#include "PacketMailbox.h"
#include "QtPlatform.h"
#include "SettingsFile.h"
#include "SignState.h"
#include "SignviewOptions.h"
#include "SimulatorSettings.h"
#include "Thread.h"

class HttpView;
class Tsiml;

// The Qt platform that also calls tickFinished on the main thread once a
// tick's snapshot is stored; the picture alone is presented before the
// tick's snapshot exists. Calls coalesce: one waits at a time, and it finds
// the newest snapshot.
class HeadlessPlatform : public QtPlatform {
public:
  HeadlessPlatform(PlatformHost& host, PacketMailbox& mailbox, LogSink& log, ThreadRegistry& threads,
                   std::function<void()> tickFinished);
  void TickFinished(const EngineSnapshot& snapshot) override;
  // No call is made after this; any thread.
  void StopTickCalls() { tickCalls_.Shutdown(); }

private:
  std::function<void()> tickFinished_;
  MainThreadHandOff tickCalls_;
  std::atomic<bool> tickCallWaiting_{false};
};

class HeadlessProgram : public QObject, private PlatformHost {
  Q_OBJECT
public:
  using SettingsSource = std::function<SettingsFile()>;

  // out receives the log lines (or the terminal frames), err the program's
  // own messages; both must outlive the program.
  HeadlessProgram(SettingsSource settings, SignviewOptions options, std::FILE* out = stdout,
                  std::FILE* err = stderr);
  ~HeadlessProgram() override;

  // Reads the settings, applies the options, opens the packet port (and
  // the HTTP view) and starts the engine. Returns why it could not.
  std::optional<QString> Start();

  // Ends the run: the engine and every thread stopped and joined, the
  // remaining log lines written, the settings file saved. Returns the exit
  // code: 0, or 1 when the settings could not be saved. Runs once.
  int Stop();

  // The packet port and HTTP port listened on (0 when not).
  quint16 PacketPort() const { return intake_.Port(); }
  quint16 HttpPort() const { return httpPort_; }
  const SimulatorSettings& Settings() const { return settings_; }
  SignState& State() { return state_; }

signals:
  // A tick's picture reached the views (the snapshot file is written).
  void tickShown();

private:
  DisplayChoices ReadDisplayChoices() override { return ChoicesOf(settings_); }
  DeviceParameters& Parameters() override { return settings_.eeprom; }

  void ShowLines(const QStringList& lines);
  void ShowTick();

  SettingsSource settingsSource_;
  SignviewOptions options_;
  std::FILE* out_;
  std::FILE* err_;
  SimulatorSettings settings_;

  // The threads first, so they are destroyed last.
  ThreadRegistry threads_;
  PacketMailbox mailbox_;
  LogSink log_;
  PacketIntake intake_;
  HeadlessPlatform platform_;
  SignState state_;
  std::unique_ptr<HttpView> http_;
  quint16 httpPort_ = 0;
  std::weak_ptr<Tsiml> engine_;
  QString startLine_;                // what the run is: geometry, ports, page
  QString snapshotError_;            // the last failure to write the snapshot
  std::deque<QString> recentLines_;  // shown under the sign in the terminal
  bool started_ = false;
  bool stopped_ = false;
};

// Puts the display-type, colour and port options into the settings, as if
// chosen in the main window. Returns nothing.
void ApplyOptions(const SignviewOptions& options, SimulatorSettings& settings);
