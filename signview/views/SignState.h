#pragma once
// What views outside the window know of the running sign: the snapshot of
// the last tick and the recent log lines. Written by the engine thread and
// the log's producer, read by views on the main thread; all calls are
// thread-safe and return copies.
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "EngineSnapshot.h"

class SignState {
public:
  explicit SignState(std::size_t logCapacity = 1000) : logCapacity_(logCapacity) {}

  void Update(const EngineSnapshot& snapshot);
  // The last tick's snapshot, or none before the first tick.
  std::optional<EngineSnapshot> Latest() const;

  // Keeps the most recent log lines, each numbered from 1 in order.
  void AppendLog(const std::string& line);
  // Lines numbered above since, oldest first, with their numbers.
  std::vector<std::pair<uint64_t, std::string>> LogSince(uint64_t since) const;

private:
  mutable std::mutex mutex_;
  std::optional<EngineSnapshot> latest_;
  std::size_t logCapacity_;
  std::deque<std::pair<uint64_t, std::string>> log_;
  uint64_t logCount_ = 0;
};
