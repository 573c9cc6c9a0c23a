#pragma once
// An engine platform for tests: hand-offs run inline on the calling thread,
// the clock stands still until the test moves it, and Sleep only advances
// that clock (and calls a hook), so ticks run with no real waiting.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EnginePlatform.h"
#include "Thread.h"

class TestPlatform : public EnginePlatform {
public:
  DisplayChoices choices{"96", "10", "1", false};
  DeviceParameters parameters;
  PacketMailbox mailbox;
  LocalDateTime clock{2026, 12, 11, 9, 5, 7};
  std::vector<std::string> fontDirectories;  // empty: no font is found
  bool shuttingDown = false;

  // Called from Sleep with the pause asked for, after the clock moved.
  std::function<void(int)> onSleep;
  // Threads the engine asked to start; tests run them by hand.
  std::vector<std::shared_ptr<Thread>> startedThreads;

  int clientWidth = 0, clientHeight = 0;
  ClientPicture lastPicture;
  int presented = 0;
  int slept = 0;  // milliseconds slept in all

  std::vector<std::string> Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }

  bool RunOnMain(const std::function<void()>& step) override {
    if (shuttingDown) return false;
    step();
    return true;
  }
  DisplayChoices ReadDisplayChoices() override { return choices; }
  DeviceParameters& Parameters() override { return parameters; }
  void AppendLog(const std::string& line) override {
    std::lock_guard lock(mutex_);
    log_.push_back(line);
  }
  PacketMailbox& Mailbox() override { return mailbox; }
  void SizeWindow(int w, int h) override {
    clientWidth = w;
    clientHeight = h;
  }
  void Present(const ClientPicture& picture) override {
    lastPicture = picture;
    ++presented;
  }
  LocalDateTime Now() override { return clock; }
  void Sleep(int milliseconds) override {
    slept += milliseconds;
    if (onSleep) onSleep(milliseconds);
  }
  void StartThread(std::shared_ptr<Thread> thread) override {
    startedThreads.push_back(std::move(thread));
  }
  std::vector<std::string> FontDirectories() override { return fontDirectories; }

  // Moves the clock on by whole seconds (within one day is enough here).
  void AdvanceSeconds(int seconds) {
    int total = clock.hour * 3600 + clock.minute * 60 + clock.second + seconds;
    total %= 86400;
    clock.hour = total / 3600;
    clock.minute = total / 60 % 60;
    clock.second = total % 60;
  }

private:
  std::mutex mutex_;
  std::vector<std::string> log_;
};
