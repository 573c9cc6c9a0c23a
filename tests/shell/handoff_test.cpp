// Hand-offs to the main thread: they run there, wait, carry exceptions
// back, and never hold a worker once the program is ending.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include <QThread>

#include "MainThreadHandOff.h"
#include "ShellTestSupport.h"

namespace {

TEST(HandOff, AStepFromAWorkerRunsOnTheMainThreadAndIsWaitedFor) {
  MainThreadHandOff handOff;
  QThread* ranOn = nullptr;
  int value = 0;
  auto worker = std::async(std::launch::async, [&] {
    const bool ran = handOff.Run([&] {
      ranOn = QThread::currentThread();
      value = 42;
    });
    return ran && value == 42;  // the step is done when Run returns
  });
  ASSERT_TRUE(WaitUntil([&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(worker.get());
  EXPECT_EQ(ranOn, QThread::currentThread());
}

TEST(HandOff, OnTheMainThreadAStepRunsAtOnce) {
  MainThreadHandOff handOff;
  bool ran = false;
  EXPECT_TRUE(handOff.Run([&] { ran = true; }));
  EXPECT_TRUE(ran);
}

TEST(HandOff, AnExceptionOfTheStepIsThrownAgainInTheWorker) {
  MainThreadHandOff handOff;
  auto worker = std::async(std::launch::async, [&] {
    try {
      handOff.Run([] { throw std::invalid_argument("no number chosen"); });
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
    return std::string("nothing thrown");
  });
  ASSERT_TRUE(WaitUntil([&] { return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(worker.get(), "no number chosen");
}

TEST(HandOff, ShutdownReleasesAWaitingWorkerAndItsStepNeverRuns) {
  MainThreadHandOff handOff;
  std::atomic<bool> ran{false};
  std::atomic<bool> asked{false};
  auto worker = std::async(std::launch::async, [&] {
    asked = true;
    return handOff.Run([&] { ran = true; });
  });
  // The main thread takes no events: the worker waits until the shutdown.
  while (!asked) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  handOff.Shutdown();
  ASSERT_EQ(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_FALSE(worker.get());
  QCoreApplication::processEvents();  // the queued step is dropped
  EXPECT_FALSE(ran);
}

TEST(HandOff, AfterShutdownNoStepRunsOnAnyThread) {
  MainThreadHandOff handOff;
  handOff.Shutdown();
  bool ran = false;
  EXPECT_FALSE(handOff.Run([&] { ran = true; }));
  auto worker = std::async(std::launch::async, [&] { return handOff.Run([&] { ran = true; }); });
  ASSERT_EQ(worker.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_FALSE(worker.get());
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

TEST(HandOff, ManyWorkersAtOnceEachRunTheirStepOnce) {
  MainThreadHandOff handOff;
  constexpr int kWorkers = 8, kSteps = 200;
  int counter = 0;  // touched only on the main thread
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < kWorkers; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < kSteps; ++i) handOff.Run([&] { ++counter; });
      ++finished;
    });
  const bool done = WaitUntil([&] { return finished == kWorkers; });
  if (!done) handOff.Shutdown();
  for (auto& t : workers) t.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(counter, kWorkers * kSteps);
}

}  // namespace
