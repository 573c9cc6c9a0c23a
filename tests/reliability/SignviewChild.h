#pragma once
// The real signview program, run headless in a child process, for tests
// that treat it from outside as its clients do: its file-descriptor limit
// set before it starts, every line of its standard output collected as it
// comes, and a clean end by SIGTERM.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class SignviewChild {
public:
  using Lines = std::vector<std::string>;

  // Starts exe --headless --port <a free port> --settings <settingsPath>
  // --http 0 followed by extra, with RLIMIT_NOFILE set to fileLimit when
  // given, and waits (at most 30 s) for its start line on standard error.
  // Started() tells whether it runs.
  SignviewChild(const std::string& exe, const std::string& settingsPath,
                const std::vector<std::string>& extra = {}, std::optional<rlimit> fileLimit = {});
  // A child still running is killed.
  ~SignviewChild();
  SignviewChild(const SignviewChild&) = delete;
  SignviewChild& operator=(const SignviewChild&) = delete;

  bool Started() const { return packetPort_ != 0 && httpPort_ != 0; }
  uint16_t PacketPort() const { return packetPort_; }
  uint16_t HttpPort() const { return httpPort_; }
  pid_t Pid() const { return pid_; }

  // A copy of the standard-output lines so far, oldest first.
  Lines OutLines() const;
  // Standard error so far (the start line, and any sanitizer report).
  std::string Err() const;
  // Waits until done(lines) holds for the standard-output lines, at most
  // timeout; the result is done() at the end.
  bool WaitForOut(const std::function<bool(const Lines&)>& done, std::chrono::milliseconds timeout);

  // Sends SIGTERM and waits for the end (at most 30 s). The exit code, or
  // -1 when the child died of a signal or did not end.
  int Stop();

private:
  void Read(int outFd, int errFd);

  pid_t pid_ = -1;
  uint16_t packetPort_ = 0;
  uint16_t httpPort_ = 0;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Lines out_;
  std::string partialOut_;
  std::string err_;
  bool ended_ = false;  // both pipes closed
};

// A TCP port on 127.0.0.1 that nothing listens on right now.
uint16_t FreeLoopbackPort();
