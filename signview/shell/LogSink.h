#pragma once
// The program's log: lines from the intake and the engine, handed on in
// batches to whoever shows them (the main window's log box), so a flood of
// packets costs one update of the box per batch instead of one per line.
#include <deque>
#include <mutex>
#include <thread>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "MainThreadQueue.h"

class LogSink : public QObject {
  Q_OBJECT
public:
  // The log box keeps this many lines; older ones are dropped. Lines that
  // wait for a batch are capped the same way, so a flood never grows memory.
  static constexpr int kMaxLines = 10000;

  // Made on the main thread; batches leave there flushIntervalMs after the
  // first line of the batch came in.
  explicit LogSink(int flushIntervalMs = 50, QObject* parent = nullptr);

  // Any thread: queues one line.
  void Append(const QString& line);
  // Main thread: hands every queued line on now.
  void Flush();

signals:
  // Main thread: the next lines of the log, oldest first.
  void linesReady(const QStringList& lines);

private:
  std::mutex mutex_;
  std::deque<QString> pending_;
  bool flushScheduled_ = false;
  QTimer timer_;
  const std::thread::id mainThread_ = std::this_thread::get_id();
  MainThreadQueue wake_;  // starts the timer for lines from other threads
};
