#include "MainThreadQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

#include <QSocketNotifier>

MainThreadQueue::MainThreadQueue() {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) throw std::runtime_error("no eventfd for the main-thread queue");
  notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { RunWaiting(); });
}

MainThreadQueue::~MainThreadQueue() {
  Close();
  notifier_.reset();
  ::close(wakeFd_);
}

bool MainThreadQueue::Post(std::function<void()> fn) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    waiting_.push_back(std::move(fn));
    wake = !woken_;
    woken_ = true;
  }
  if (wake) {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
  }
  return true;
}

void MainThreadQueue::Close() {
  std::deque<std::function<void()>> dropped;
  std::lock_guard lock(mutex_);
  closed_ = true;
  dropped.swap(waiting_);
}

void MainThreadQueue::RunWaiting() {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
  std::deque<std::function<void()>> taken;
  {
    std::lock_guard lock(mutex_);
    taken.swap(waiting_);
    woken_ = false;
  }
  for (auto& fn : taken) fn();
}
