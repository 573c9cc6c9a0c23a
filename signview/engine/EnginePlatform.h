#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ClientPicture.h"
#include "DeviceParameters.h"
#include "EngineSnapshot.h"
#include "PacketMailbox.h"

class Thread;

// Local date and time as the sign's clock shows it.
struct LocalDateTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
};

// The main window's display-type choices, as the controls hold them: the
// texts of the three drop-down lists (empty when nothing is chosen) and the
// "Color" check box.
struct DisplayChoices {
  std::string columns;
  std::string lines;
  std::string rows;
  bool color = false;
};

// Everything the display engine needs of the program around it. The real
// implementation is the Qt shell; tests use one that runs hand-offs inline
// and owns a clock they move themselves.
class EnginePlatform {
public:
  virtual ~EnginePlatform() = default;

  // Runs step on the main thread and waits until it has run; runs it at once
  // when called on the main thread. An exception thrown by step is thrown
  // again to the caller. Returns false without running step once the program
  // is shutting down and the main thread takes no more steps, so a waiting
  // engine can never deadlock the program's end.
  virtual bool RunOnMain(const std::function<void()>& step) = 0;

  // Main thread only: the display-type choices of the main window.
  virtual DisplayChoices ReadDisplayChoices() = 0;
  // Main thread only: the device parameters, changed by packet commands.
  virtual DeviceParameters& Parameters() = 0;
  // Main thread only: appends one line to the main window's log.
  virtual void AppendLog(const std::string& line) = 0;

  // Any thread: the packet mailbox that the TCP intake fills.
  virtual PacketMailbox& Mailbox() = 0;

  // Engine thread: sets the simulation window's client size in pixels.
  virtual void SizeWindow(int clientWidth, int clientHeight) = 0;
  // Engine thread, once per tick: the finished picture of the window's
  // client area. The platform copies what it keeps; the picture is reused.
  virtual void Present(const ClientPicture& picture) = 0;

  // Engine thread, at the end of every tick: what the tick showed. Views
  // that look at the sign from outside copy what they need.
  virtual void TickFinished(const EngineSnapshot& snapshot) { (void)snapshot; }

  // Any thread: the local date and time now.
  virtual LocalDateTime Now() = 0;
  // Any thread: pauses the calling thread.
  virtual void Sleep(int milliseconds) = 0;

  // Starts a worker thread (the moving text) that the engine made.
  virtual void StartThread(std::shared_ptr<Thread> thread) = 0;

  // Folders searched, in order, for the font files (the executable's own
  // folder first, then the installed data folder).
  virtual std::vector<std::string> FontDirectories() = 0;
};
