#pragma once
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

// A worker thread that is stopped cooperatively: Terminate() only sets a
// flag, and Execute() looks at Terminated() where it can stop safely.
// While it runs, the thread holds a shared_ptr to its own object, so the
// object lives exactly as long as someone refers to it or its thread runs.
class Thread : public std::enable_shared_from_this<Thread> {
public:
  virtual ~Thread() = default;

  // The thread body. An exception that leaves it ends the thread silently.
  virtual void Execute() = 0;

  void Terminate() { terminated_.store(true, std::memory_order_release); }
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }

  // True once Execute has returned (or the thread was never run).
  bool Finished() const { return finished_.load(std::memory_order_acquire); }

private:
  friend class ThreadRegistry;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
};

// Starts threads and joins them. One registry serves a whole program: at
// its end StopAndJoinAll() asks every thread still running to stop and
// waits for all of them, so no thread outlives the objects it uses.
class ThreadRegistry {
public:
  ThreadRegistry() = default;
  ThreadRegistry(const ThreadRegistry&) = delete;
  ThreadRegistry& operator=(const ThreadRegistry&) = delete;
  ~ThreadRegistry() { StopAndJoinAll(); }

  // Runs thread->Execute() on a new OS thread. After StopAndJoinAll has
  // begun, the thread is not started; it is marked terminated and finished.
  void Start(std::shared_ptr<Thread> thread);

  // Asks every started thread to stop, then joins each one. Threads that
  // start others while this runs are joined too.
  void StopAndJoinAll();

  // Number of started threads whose Execute has not returned yet.
  std::size_t Running();

private:
  struct Entry {
    std::thread os;
    std::weak_ptr<Thread> object;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void ReapLocked();

  std::mutex mutex_;
  std::list<Entry> entries_;
  bool closing_ = false;
};
