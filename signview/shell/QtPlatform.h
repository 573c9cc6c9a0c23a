#pragma once
// The engine's platform in the Qt program: hand-offs to the GUI thread, the
// main window's choices and parameters, the log, the mailbox, the picture
// and size of the simulation window, the clock and the threads. It knows no
// window: the simulation window follows its signals, and the choices and
// parameters come from a PlatformHost.
#include <atomic>
#include <mutex>

#include <QDateTime>
#include <QImage>
#include <QObject>

#include "EnginePlatform.h"
#include "MainThreadHandOff.h"

class LogSink;
class ThreadRegistry;

// What the engine reads of the program around it; main thread only.
class PlatformHost {
public:
  virtual ~PlatformHost() = default;
  virtual DisplayChoices ReadDisplayChoices() = 0;
  virtual DeviceParameters& Parameters() = 0;
};

class QtPlatform : public QObject, public EnginePlatform {
  Q_OBJECT
public:
  // Made on the main thread. Every reference must outlive the platform, and
  // every engine thread must have ended before it is destroyed.
  QtPlatform(PlatformHost& host, PacketMailbox& mailbox, LogSink& log, ThreadRegistry& threads,
             QObject* parent = nullptr);

  bool RunOnMain(const std::function<void()>& step) override;
  DisplayChoices ReadDisplayChoices() override;
  DeviceParameters& Parameters() override;
  void AppendLog(const std::string& line) override;
  PacketMailbox& Mailbox() override;
  void SizeWindow(int clientWidth, int clientHeight) override;
  void Present(const ClientPicture& picture) override;
  void TickFinished(const EngineSnapshot& snapshot) override;
  LocalDateTime Now() override;
  void Sleep(int milliseconds) override;
  void StartThread(std::shared_ptr<Thread> thread) override;
  std::vector<std::string> FontDirectories() override;

  // Sets the sign's clock: from now on it runs on from start, so texts with
  // time and date codes show repeatable values. Main thread.
  void SetClockStart(const QDateTime& start);
  // The sign's local time now (the computer's, unless SetClockStart moved it).
  QDateTime LocalNow() const;

  // The program is ending: every waiting and later hand-off returns false,
  // so engine threads leave their loops and can be joined.
  void Shutdown();

  // Any thread: the last picture presented (a null image before the first)
  // and clears the note that a new one came.
  QImage TakePicture();
  // Forgets the last picture, so a new engine does not show its
  // predecessor's picture.
  void ForgetPicture();
  // Any thread: what the last tick of any engine showed (empty before).
  EngineSnapshot LatestSnapshot();

signals:
  // Main thread: an engine asked for this client size of its window.
  void windowSizeRequested(int clientWidth, int clientHeight);
  // Main thread: a new picture was presented; emitted once until
  // TakePicture is called.
  void pictureChanged();

private:
  PlatformHost& host_;
  PacketMailbox& mailbox_;
  LogSink& log_;
  ThreadRegistry& threads_;
  MainThreadHandOff handOff_;

  std::mutex pictureMutex_;
  QImage picture_;
  std::atomic<bool> pictureNoticed_{false};
  std::atomic<qint64> clockOffsetMs_{0};
  std::mutex snapshotMutex_;
  EngineSnapshot snapshot_;
};
