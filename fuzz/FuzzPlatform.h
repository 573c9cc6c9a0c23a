#pragma once
// A platform for the fuzzers: hand-offs inline, a fixed clock, no waiting,
// and moving-text threads kept for the fuzzer to step by hand.
#include <climits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "EnginePlatform.h"
#include "Thread.h"

class FuzzPlatform : public EnginePlatform {
public:
  DisplayChoices choices{"96", "10", "1", false};
  DeviceParameters parameters;
  PacketMailbox mailbox;
  std::vector<std::string> fontDirectories{ExecutableDirectory()};
  std::vector<std::shared_ptr<Thread>> started;

  bool RunOnMain(const std::function<void()>& step) override {
    step();
    return true;
  }
  DisplayChoices ReadDisplayChoices() override { return choices; }
  DeviceParameters& Parameters() override { return parameters; }
  void AppendLog(const std::string&) override {}
  PacketMailbox& Mailbox() override { return mailbox; }
  void SizeWindow(int, int) override {}
  void Present(const ClientPicture&) override {}
  LocalDateTime Now() override { return {2026, 12, 11, 23, 59, 58}; }
  void Sleep(int) override {}
  void StartThread(std::shared_ptr<Thread> thread) override { started.push_back(std::move(thread)); }
  std::vector<std::string> FontDirectories() override { return fontDirectories; }

  static std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string s(path, static_cast<std::size_t>(n));
    return s.substr(0, s.rfind('/'));
  }
};
