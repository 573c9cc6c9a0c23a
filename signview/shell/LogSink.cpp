#include "LogSink.h"

LogSink::LogSink(int flushIntervalMs, QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  timer_.setInterval(flushIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &LogSink::Flush);
}

void LogSink::Append(const QString& line) {
  bool startTimer = false;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(line);
    if (pending_.size() > kMaxLines) pending_.pop_front();  // the box would drop it anyway
    if (!flushScheduled_) flushScheduled_ = startTimer = true;
  }
  if (!startTimer) return;
  if (std::this_thread::get_id() == mainThread_)
    timer_.start();
  else
    wake_.Post([this] { timer_.start(); });
}

void LogSink::Flush() {
  QStringList lines;
  {
    std::lock_guard lock(mutex_);
    flushScheduled_ = false;
    lines.reserve(static_cast<qsizetype>(pending_.size()));
    for (auto& line : pending_) lines.push_back(std::move(line));
    pending_.clear();
  }
  timer_.stop();
  if (!lines.isEmpty()) emit linesReady(lines);
}
