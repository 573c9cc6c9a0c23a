// The engine's side of the moving text: starting and stopping the thread.
#include "../Tsiml.h"
#include "TNasun.h"

void Tsiml::StartMovingText(const uint8_t*, uint32_t) { MoveIdle.store(0); }

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
  if (thread) thread->Terminate();
}

std::shared_ptr<TNasun> Tsiml::MoveThread() {
  std::lock_guard lock(moveLock_);
  return moveThread_.lock();
}
