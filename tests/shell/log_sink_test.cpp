// The log's batches: every line arrives, in order, in few batches, and a
// flood is capped at the log box's line count.
#include <gtest/gtest.h>

#include <thread>

#include "LogSink.h"
#include "ShellTestSupport.h"

namespace {

struct Collected {
  QStringList lines;
  int batches = 0;
};

void Collect(LogSink& log, Collected& into) {
  QObject::connect(&log, &LogSink::linesReady, [&into](const QStringList& lines) {
    into.lines += lines;
    ++into.batches;
  });
}

TEST(LogSink, LinesArriveInOrderInOneBatch) {
  LogSink log(20);
  Collected got;
  Collect(log, got);
  for (int i = 0; i < 500; ++i) log.Append(QString::number(i));
  EXPECT_TRUE(got.lines.isEmpty());  // nothing before the batch leaves
  ASSERT_TRUE(WaitUntil([&] { return got.lines.size() == 500; }));
  EXPECT_EQ(got.batches, 1);
  for (int i = 0; i < 500; ++i) ASSERT_EQ(got.lines[i], QString::number(i));
}

TEST(LogSink, AFloodKeepsOnlyTheLastLinesTheBoxCanHold) {
  LogSink log(20);
  Collected got;
  Collect(log, got);
  const int total = LogSink::kMaxLines + 123;
  for (int i = 0; i < total; ++i) log.Append(QString::number(i));
  log.Flush();
  ASSERT_EQ(got.lines.size(), LogSink::kMaxLines);
  EXPECT_EQ(got.lines.front(), QString::number(123));
  EXPECT_EQ(got.lines.back(), QString::number(total - 1));
}

TEST(LogSink, LinesFromAnotherThreadArriveOnTheMainThread) {
  LogSink log(5);
  Collected got;
  Collect(log, got);
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) log.Append(QStringLiteral("w%1").arg(i));
  });
  worker.join();
  ASSERT_TRUE(WaitUntil([&] { return got.lines.size() == 100; }));
  EXPECT_EQ(got.lines.first(), "w0");
  EXPECT_EQ(got.lines.last(), "w99");
  log.Append("later");  // a new batch is scheduled after the last one left
  ASSERT_TRUE(WaitUntil([&] { return got.lines.size() == 101; }));
}

}  // namespace
