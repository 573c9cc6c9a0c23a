#include "QtPlatform.h"

#include <chrono>
#include <cstring>
#include <thread>

#include <QCoreApplication>
#include <QDateTime>

#include "LogSink.h"
#include "Thread.h"

QtPlatform::QtPlatform(PlatformHost& host, PacketMailbox& mailbox, LogSink& log,
                       ThreadRegistry& threads, QObject* parent)
    : QObject(parent), host_(host), mailbox_(mailbox), log_(log), threads_(threads) {}

bool QtPlatform::RunOnMain(const std::function<void()>& step) { return handOff_.Run(step); }

DisplayChoices QtPlatform::ReadDisplayChoices() { return host_.ReadDisplayChoices(); }

DeviceParameters& QtPlatform::Parameters() { return host_.Parameters(); }

void QtPlatform::AppendLog(const std::string& line) {
  // The engine's texts are 8-bit characters, as the packets carried them.
  log_.Append(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
}

PacketMailbox& QtPlatform::Mailbox() { return mailbox_; }

void QtPlatform::SizeWindow(int clientWidth, int clientHeight) {
  handOff_.Post([this, clientWidth, clientHeight] { emit windowSizeRequested(clientWidth, clientHeight); });
}

void QtPlatform::Present(const ClientPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return;
  // A whole new image per tick, swapped in under the lock: a reader gets
  // one tick's picture or the next, never a mix.
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * picture.width,
                static_cast<std::size_t>(picture.width) * sizeof(uint32_t));
  {
    std::lock_guard lock(pictureMutex_);
    picture_ = std::move(image);
  }
  if (!pictureNoticed_.exchange(true)) handOff_.Post([this] { emit pictureChanged(); });
}

QImage QtPlatform::TakePicture() {
  pictureNoticed_.store(false);
  std::lock_guard lock(pictureMutex_);
  return picture_;
}

void QtPlatform::ForgetPicture() {
  std::lock_guard lock(pictureMutex_);
  picture_ = QImage();
}

void QtPlatform::TickFinished(const EngineSnapshot& snapshot) {
  std::lock_guard lock(snapshotMutex_);
  snapshot_ = snapshot;
}

EngineSnapshot QtPlatform::LatestSnapshot() {
  std::lock_guard lock(snapshotMutex_);
  return snapshot_;
}

void QtPlatform::SetClockStart(const QDateTime& start) {
  clockOffsetMs_.store(QDateTime::currentDateTime().msecsTo(start));
}

QDateTime QtPlatform::LocalNow() const {
  return QDateTime::currentDateTime().addMSecs(clockOffsetMs_.load());
}

LocalDateTime QtPlatform::Now() {
  const QDateTime now = LocalNow();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

void QtPlatform::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void QtPlatform::StartThread(std::shared_ptr<Thread> thread) { threads_.Start(std::move(thread)); }

std::vector<std::string> QtPlatform::FontDirectories() {
  return {QCoreApplication::applicationDirPath().toStdString(), LUMIDOT_FONT_INSTALL_DIR};
}

void QtPlatform::Shutdown() { handOff_.Shutdown(); }
