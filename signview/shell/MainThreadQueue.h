#pragma once
// Functions that any thread posts and the main thread runs, in order, from
// its event loop. Workers wake the loop through an eventfd, so everything
// the threads share passes through this queue's own mutex, where a race
// checker can see it.
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

class MainThreadQueue {
public:
  // Made on the main thread, which runs the functions.
  MainThreadQueue();
  ~MainThreadQueue();
  MainThreadQueue(const MainThreadQueue&) = delete;
  MainThreadQueue& operator=(const MainThreadQueue&) = delete;

  // Any thread: queues fn. False, and fn is dropped, after Close().
  bool Post(std::function<void()> fn);
  // Any thread: drops what waits and refuses later posts.
  void Close();
  // Main thread: runs what waits now (the event loop does this by itself).
  void RunWaiting();

private:
  std::mutex mutex_;
  std::deque<std::function<void()>> waiting_;
  bool closed_ = false;
  bool woken_ = false;  // a wake-up is on its way to the main thread
  int wakeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};
