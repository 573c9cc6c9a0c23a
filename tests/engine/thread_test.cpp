// Threads stop cooperatively, free themselves and are joined at the end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "Thread.h"

namespace {

class Spinner : public Thread {
public:
  std::atomic<int> loops{0};
  void Execute() override {
    while (!Terminated()) {
      loops.fetch_add(1);
      std::this_thread::yield();
    }
  }
};

class Starter : public Thread {
public:
  explicit Starter(ThreadRegistry& r) : registry(r) {}
  ThreadRegistry& registry;
  std::weak_ptr<Spinner> child;  // read only once started is true
  std::atomic<bool> started{false};
  void Execute() override {
    auto spinner = std::make_shared<Spinner>();
    child = spinner;
    started.store(true, std::memory_order_release);
    registry.Start(spinner);
    while (!Terminated()) std::this_thread::yield();
  }
};

class Thrower : public Thread {
public:
  void Execute() override { throw std::runtime_error("boom"); }
};

TEST(ThreadRegistry, StopAndJoinAllStopsEveryThreadAndFreesIt) {
  ThreadRegistry registry;
  std::weak_ptr<Spinner> a, b;
  {
    auto s1 = std::make_shared<Spinner>(), s2 = std::make_shared<Spinner>();
    a = s1;
    b = s2;
    registry.Start(s1);
    registry.Start(s2);
    while (s1->loops == 0 || s2->loops == 0) std::this_thread::yield();
  }
  EXPECT_EQ(registry.Running(), 2u);
  registry.StopAndJoinAll();
  EXPECT_TRUE(a.expired());
  EXPECT_TRUE(b.expired());
  EXPECT_EQ(registry.Running(), 0u);
}

TEST(ThreadRegistry, ThreadsStartedByThreadsAreJoinedToo) {
  ThreadRegistry registry;
  auto starter = std::make_shared<Starter>(registry);
  std::weak_ptr<Starter> watch = starter;
  registry.Start(starter);
  while (!starter->started.load(std::memory_order_acquire)) std::this_thread::yield();
  std::weak_ptr<Spinner> child = starter->child;
  starter.reset();
  registry.StopAndJoinAll();
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(child.expired());
}

TEST(ThreadRegistry, AnErrorEndsTheThreadSilently) {
  ThreadRegistry registry;
  auto t = std::make_shared<Thrower>();
  registry.Start(t);
  // The thread marks itself finished just before its OS thread ends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (registry.Running() != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_EQ(registry.Running(), 0u);
  EXPECT_TRUE(t->Finished());
}

TEST(ThreadRegistry, NoStartAfterClosing) {
  ThreadRegistry registry;
  registry.StopAndJoinAll();
  auto s = std::make_shared<Spinner>();
  registry.Start(s);
  EXPECT_TRUE(s->Terminated());
  EXPECT_TRUE(s->Finished());
  EXPECT_EQ(s->loops.load(), 0);
}

}  // namespace
