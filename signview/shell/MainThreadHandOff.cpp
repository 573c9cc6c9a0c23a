#include "MainThreadHandOff.h"

#include <exception>

namespace {
// One handed-over step. Guarded by State::mutex.
struct Job {
  const std::function<void()>* step = nullptr;  // the waiting caller's step
  bool running = false;
  bool done = false;
  bool abandoned = false;  // the caller stopped waiting: never run it
  std::exception_ptr error;
};
}  // namespace

MainThreadHandOff::MainThreadHandOff() = default;

MainThreadHandOff::~MainThreadHandOff() { Shutdown(); }

bool MainThreadHandOff::Run(const std::function<void()>& step) {
  if (std::this_thread::get_id() == mainThread_) {
    if (ShuttingDown()) return false;
    step();
    return true;
  }

  auto job = std::make_shared<Job>();
  job->step = &step;
  auto state = state_;
  {
    std::lock_guard lock(state->mutex);
    if (state->shutdown) return false;
  }
  const bool posted = queue_.Post([state, job] {
    {
      std::lock_guard lock(state->mutex);
      if (state->shutdown || job->abandoned) return;
      job->running = true;
    }
    try {
      (*job->step)();
    } catch (...) {
      job->error = std::current_exception();
    }
    {
      std::lock_guard lock(state->mutex);
      job->done = true;
    }
    state->changed.notify_all();
  });
  if (!posted) return false;

  std::unique_lock lock(state->mutex);
  // A step already running finishes first: it uses the caller's objects.
  state->changed.wait(lock, [&] { return job->done || (state->shutdown && !job->running); });
  if (!job->done) {
    job->abandoned = true;
    return false;
  }
  // The exception leaves the job here, so this thread holds its last
  // reference: the queued call, which may drop the job later on the main
  // thread, never frees an exception that this thread is still reading.
  if (std::exception_ptr error = std::move(job->error)) {
    lock.unlock();
    std::rethrow_exception(error);
  }
  return true;
}

bool MainThreadHandOff::Post(std::function<void()> fn) {
  if (ShuttingDown()) return false;
  return queue_.Post(std::move(fn));
}

void MainThreadHandOff::Shutdown() {
  queue_.Close();
  {
    std::lock_guard lock(state_->mutex);
    state_->shutdown = true;
  }
  state_->changed.notify_all();
}

bool MainThreadHandOff::ShuttingDown() const {
  std::lock_guard lock(state_->mutex);
  return state_->shutdown;
}
