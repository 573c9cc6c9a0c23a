// The engine's side of the moving text: starting and stopping the thread.
#include <algorithm>
#include <cstring>

#include "../Tsiml.h"
#include "TNasun.h"

void Tsiml::StartMovingText(const uint8_t* text, uint32_t length) {
  auto self = std::static_pointer_cast<Tsiml>(shared_from_this());
  auto thread = std::make_shared<TNasun>(self);
  {
    std::lock_guard lock(moveLock_);
    moveThread_ = thread;
  }
  thread->Lines = Lines;
  thread->Columns = static_cast<uint32_t>(Columns);
  thread->TextLength = std::min<uint32_t>(length, sizeof thread->Text);
  thread->MoveColumn = MoveColumn;
  std::memcpy(thread->Text, text, thread->TextLength);
  thread->Attr = Attr;
  thread->FirstLine = FirstLine;
  thread->LastLine = LastLine;
  thread->Slot = Slot;
  std::memset(thread->Strip, 0, sizeof thread->Strip);
  std::memcpy(thread->FontImage, FontImage, kFontImageSize - 1);
  std::memcpy(thread->FontOffsets, FontOffsets, sizeof FontOffsets);
  MoveIdle.store(0);
  platform_.StartThread(thread);
}

void Tsiml::StopMovingText() {
  MoveIdle.store(1);
  TerminateMovingText();
}

void Tsiml::TerminateMovingText() {
  std::shared_ptr<TNasun> thread;
  {
    std::lock_guard lock(moveLock_);
    thread = moveThread_.lock();
    moveThread_.reset();
  }
  if (!thread) return;
  // Taken under the frame lock: a paint step under way finishes first, and
  // every later one sees the stop before it writes anything.
  std::lock_guard lock(FrameLock);
  thread->Terminate();
}

std::shared_ptr<TNasun> Tsiml::MoveThread() {
  std::lock_guard lock(moveLock_);
  return moveThread_.lock();
}
