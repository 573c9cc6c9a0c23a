#include "Thread.h"

void ThreadRegistry::Start(std::shared_ptr<Thread> thread) {
  std::lock_guard lock(mutex_);
  ReapLocked();
  if (closing_) {
    thread->Terminate();
    thread->finished_.store(true, std::memory_order_release);
    return;
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  Entry entry;
  entry.object = thread;
  entry.done = done;
  entry.os = std::thread([self = std::move(thread), done]() mutable {
    try {
      self->Execute();
    } catch (...) {
      // An engine or moving-text thread that meets an error ends silently.
    }
    self->finished_.store(true, std::memory_order_release);
    self.reset();  // the object may be freed here, on its own thread
    done->store(true, std::memory_order_release);
  });
  entries_.push_back(std::move(entry));
}

void ThreadRegistry::ReapLocked() {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->done->load(std::memory_order_acquire)) {
      it->os.join();
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
}

void ThreadRegistry::StopAndJoinAll() {
  for (;;) {
    std::list<Entry> taken;
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
      taken.swap(entries_);
    }
    if (taken.empty()) return;
    for (auto& e : taken)
      if (auto t = e.object.lock()) t->Terminate();
    for (auto& e : taken) e.os.join();
  }
}

std::size_t ThreadRegistry::Running() {
  std::lock_guard lock(mutex_);
  ReapLocked();
  return entries_.size();
}
