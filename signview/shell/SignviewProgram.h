#pragma once
// The whole simulator: the main window and the simulation window, the TCP
// intake, the log, the mailbox, the engine's platform and the program's
// threads, wired together. The program entry only makes one and runs the
// event loop until finished().
#include <memory>

#include <QObject>

#include "LogSink.h"
#include "PacketIntake.h"
#include "PacketMailbox.h"
#include "QtPlatform.h"
#include "TMainForm.h"
#include "TSimulator.h"
#include "Thread.h"

class SignviewProgram : public QObject, private PlatformHost {
  Q_OBJECT
public:
  // Made on the main thread after the application object. settings makes
  // the settings-file object for each read or write pass.
  explicit SignviewProgram(TMainForm::SettingsSource settings);
  // Stops everything (see Stop) before any part is destroyed.
  ~SignviewProgram() override;

  // Shows the main window, which opens the TCP server.
  void Start();

  // Ends the program's work: the simulation window closes, hand-offs to the
  // main thread end, every engine and moving-text thread is stopped and
  // joined, the server closes. Runs once; later calls do nothing.
  void Stop();

  // A stop asked from outside (SIGINT, SIGTERM): closes the main window as
  // the user would, but a settings file that cannot be written only gets a
  // line on stderr and does not keep the program alive.
  void RequestStop();

  TMainForm& MainForm() { return *mainForm_; }
  TSimulator& Simulator() { return *simulator_; }
  PacketIntake& Intake() { return intake_; }
  LogSink& Log() { return log_; }
  PacketMailbox& Mailbox() { return mailbox_; }
  QtPlatform& Platform() { return platform_; }
  ThreadRegistry& Threads() { return threads_; }

signals:
  // The main window closed and everything stopped: leave the event loop.
  void finished();

private:
  DisplayChoices ReadDisplayChoices() override;
  DeviceParameters& Parameters() override;

  // Declared in the order they are needed; the threads first, so they are
  // destroyed last.
  ThreadRegistry threads_;
  PacketMailbox mailbox_;
  LogSink log_;
  PacketIntake intake_;
  QtPlatform platform_;
  std::unique_ptr<TSimulator> simulator_;
  std::unique_ptr<TMainForm> mainForm_;
  bool stopped_ = false;
};
