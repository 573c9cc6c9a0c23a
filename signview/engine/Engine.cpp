// The engine thread: its start, its main loop and its set-up pass.
#include <cstring>
#include <stdexcept>

#include "IntegerText.h"
#include "Moving/TNasun.h"
#include "Tsiml.h"

Tsiml::Tsiml(EnginePlatform& platform) : platform_(platform) {}

Tsiml::~Tsiml() { ReleasePlanes(); }

void Tsiml::Execute() {
  if (Begin()) {
    while (!Terminated()) Tick();
  }
  End();
}

bool Tsiml::Begin() {
  FlashPhase = 0;
  PaintDC = &platform_;
  try {
    if (!platform_.RunOnMain([this] { SetUp(); })) return false;
  } catch (const std::exception&) {
    return false;  // a choice without a number: the engine ends silently
  }
  SizeWindow();
  ShowStartUpText();
  MoveIdle.store(1);
  return true;
}

void Tsiml::Tick() {
  // The stop request is looked at only at the top of a tick, by the loop;
  // a platform that is shutting down takes no more steps, which ends it too.
  if (!platform_.RunOnMain([this] { TakePacket(); })) {
    Terminate();
    return;
  }
  {
    std::lock_guard lock(FrameLock);
    LayoutText();
    UnpackPlanes();
  }
  StepFlashPhase();
  PaintRows();
  TickCount.fetch_add(1);
  TakeSnapshot();
  platform_.TickFinished(Snapshot);
  platform_.Sleep(100);
  PhaseTicks = PhaseTicks + 1;
}

void Tsiml::End() {
  // A moving section of an ended engine has nothing left to scroll for.
  TerminateMovingText();
  ReleasePlanes();
  PaintDC = nullptr;
}

namespace {
int32_t ChoiceNumber(const std::string& text, const char* what) {
  auto value = ParseInteger(text);
  if (!value) throw std::invalid_argument(std::string("no number chosen for ") + what);
  return *value;
}
}  // namespace

void Tsiml::SetUp() {
  const DisplayChoices choices = platform_.ReadDisplayChoices();
  Columns = ChoiceNumber(choices.columns, "the columns");
  Lines = static_cast<uint8_t>(ChoiceNumber(choices.lines, "the lines"));
  Rows = static_cast<uint8_t>(ChoiceNumber(choices.rows, "the rows"));
  ColorEnabled = choices.color ? 1 : 0;
  const DeviceParameters& p = platform_.Parameters();
  ClearMode = static_cast<uint8_t>(p.Clear & 0xFF);
  Address = p.Adresa;
  FlashOnTicks = p.FlashOn;
  FlashOffTicks = p.FlashOff;
  SetUpPlanes();
  ClearFrames();
  LoadFontFile();
}

void Tsiml::TakeSnapshot() {
  EngineSnapshot& s = Snapshot;
  // Only a display that got its planes has LEDs to show.
  const bool painted = Planes[0] != nullptr;
  s.columns = painted ? Columns : 0;
  s.lines = painted ? Lines : 0;
  s.rows = painted ? static_cast<uint8_t>(Rows < 8 ? Rows : 8) : 0;  // one row per slot
  s.color = ColorEnabled != 0;
  s.flashPhase = FlashPhase;
  s.moving = MoveIdle.load() == 0;
  s.tick = TickCount.load();
  std::memcpy(s.text, TextBuffer, sizeof s.text);
  std::memcpy(s.variables, Variables, sizeof s.variables);
  const std::size_t count = static_cast<std::size_t>(s.columns) * s.lines * s.rows;
  s.ledsA.resize(count);
  s.ledsB.resize(count);
  // A plane holds LED line L, column c at byte 2 x Columns x (Lines-1-L) + c.
  for (int r = 0; r < s.rows; ++r) {
    const uint8_t* planeA = Planes[r];
    const uint8_t* planeB = Planes[8 + r];
    for (int line = 0; line < s.lines; ++line) {
      const std::size_t from = static_cast<std::size_t>(2 * s.columns) * (s.lines - 1 - line);
      const std::size_t to = (static_cast<std::size_t>(r) * s.lines + line) * s.columns;
      for (int c = 0; c < s.columns; ++c) {
        s.ledsA[to + c] = planeA[from + c] & 3;
        s.ledsB[to + c] = planeB[from + c] & 3;
      }
    }
  }
}
