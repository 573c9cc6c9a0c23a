#pragma once
// Hands a step from a worker thread to the main (GUI) thread and waits for
// it, the way the engine's set-up pass and packet step must run.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "MainThreadQueue.h"

class MainThreadHandOff {
public:
  // Made on the main thread: steps run there, from its event loop.
  MainThreadHandOff();
  ~MainThreadHandOff();
  MainThreadHandOff(const MainThreadHandOff&) = delete;
  MainThreadHandOff& operator=(const MainThreadHandOff&) = delete;

  // Runs step on the main thread and waits until it has run; on the main
  // thread itself it runs at once. An exception from step is thrown again
  // here. Returns false, without running step, after Shutdown(): a step
  // still waiting then returns at once too, so no worker can hold the
  // program's end.
  bool Run(const std::function<void()>& step);

  // Any thread: hands fn to the main thread without waiting for it. False,
  // and fn never runs, after Shutdown().
  bool Post(std::function<void()> fn);

  // From now on no step runs; every waiting Run returns false. Any thread.
  void Shutdown();
  bool ShuttingDown() const;

private:
  // Shared with the queued calls, which may outlive a waiting Run.
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    bool shutdown = false;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
  const std::thread::id mainThread_ = std::this_thread::get_id();
  MainThreadQueue queue_;
};
