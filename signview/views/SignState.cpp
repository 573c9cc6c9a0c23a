#include "SignState.h"

void SignState::Update(const EngineSnapshot& snapshot) {
  std::lock_guard lock(mutex_);
  latest_ = snapshot;
}

std::optional<EngineSnapshot> SignState::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

void SignState::AppendLog(const std::string& line) {
  std::lock_guard lock(mutex_);
  log_.emplace_back(++logCount_, line);
  while (log_.size() > logCapacity_) log_.pop_front();
}

std::vector<std::pair<uint64_t, std::string>> SignState::LogSince(uint64_t since) const {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<uint64_t, std::string>> lines;
  for (const auto& entry : log_)
    if (entry.first > since) lines.push_back(entry);
  return lines;
}
