#pragma once
// The emulated sign controller: the engine thread and all its state.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "ClientPicture.h"
#include "EnginePlatform.h"
#include "Glyphs.h"
#include "StretchPlane.h"
#include "Thread.h"

class TNasun;

// Describes every paint plane to the painting: a 4-bit bottom-up bitmap
// of biWidth × biHeight pixels shown through a 16-entry colour table, of
// which entries 0-3 (dark, red, green, yellow) are used.
struct BitmapInfo {
  struct Header {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
  } bmiHeader;
  struct RgbQuad {
    uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
  } bmiColors[16];
};

// Sizes of the engine's fixed buffers.
inline constexpr int kFrameSize = 32767;       // bytes of one flash phase
inline constexpr int kFrameLineBytes = 960;    // bytes of one pixel line
inline constexpr int kTextSize = 1024;         // TextBuffer, PacketCopy
inline constexpr int kMoveTextSize = 2048;
inline constexpr int kVariableCount = 10;
inline constexpr int kVariableSize = 20;
inline constexpr int kPlaneCount = 16;

// The engine thread. Made by the simulation window when it is shown; runs
// the 100 ms main loop until Terminate() and then ends. It reaches the
// window, the clock and the mailbox only through its platform, which must
// outlive it. Fields are public, as the controller's memory is: tests and
// the diagnostic views read them.
class Tsiml : public Thread {
public:
  explicit Tsiml(EnginePlatform& platform);
  ~Tsiml() override;

  // The thread body: Begin(), ticks until a stop is asked for, End().
  void Execute() override;

  // Steps 1-6 of the thread body: window, set-up pass on the main thread,
  // window size, start-up text. False when the set-up pass failed (a
  // display-type choice holds no number); the engine must then end.
  bool Begin();
  // One tick: packet step on the main thread, layout, planes, flash phase,
  // painting, the 100 ms sleep.
  void Tick();
  // After the last tick: planes freed, window given back.
  void End();

  // Set-up pass, on the main thread.
  void SetUp();

  // Frame buffer and plotters.
  void SelectSlot(uint8_t slot);
  void PlotGlyph();
  void BlankGlyph();
  void PlotBar();
  void SkipColumns();
  void ClearFrames();

  // Fonts.
  void LoadFontFile();
  void RasterizeGlyph(uint8_t code);
  // The font file that LoadFontFile read, or empty when none was read.
  std::string LoadedFontPath;

  // Text layout and markup.
  void LayoutText();
  void EnterLine(uint8_t line);
  void PlanUpperLine();
  bool PlanLowerLine();
  uint8_t ReplanForFont(uint8_t line);
  // kind 0: "hh:mm:ss", kind 1: "dd.mm.yyyy", zero-terminated into dest.
  void FormatClock(int kind, char dest[16]);

  // Packet interpreter.
  void ShowStartUpText();
  void TakePacket();
  void InterpretPacket();
  void NewText();
  void LogStatus();

  // Planes and painting.
  void SetUpPlanes();
  void SizeWindow();
  void UnpackPlanes();
  void StepFlashPhase();
  void PaintRows();
  void ReleasePlanes();

  // Moving text.
  void StartMovingText(const uint8_t* text, uint32_t length);
  void StopMovingText();
  // Asks a running moving-text thread to stop without touching MoveIdle
  // (the simulation window's close does this).
  void TerminateMovingText();

  // --- Fields: the controller's memory -------------------------------
  uint8_t* PaintBits = nullptr;
  uint8_t FlashPhase = 0;  // 1: phase A shown, 0: phase B shown
  std::array<uint8_t*, kPlaneCount> Planes{};
  EnginePlatform* PaintDC = nullptr;  // the window drawn into, while taken
  BitmapInfo Bmi{};
  int32_t PixelScale = 0;
  TextAttr Attr{};
  GlyphCell Cell{};
  uint32_t GlyphWidth = 0;
  uint8_t GlyphHeight = 0;
  uint8_t FirstLine = 0, LastLine = 0;
  uint8_t Slot = 0;
  uint32_t MoveColumn = 0;
  uint8_t Lines = 0;
  int32_t Columns = 0;
  uint8_t Rows = 0;
  uint32_t LineColumn[17]{};
  uint8_t Variables[kVariableCount][kVariableSize]{};
  uint8_t VariableUses[kVariableCount]{};
  uint32_t MoveResume = 0;
  uint8_t ClearMode = 0;
  uint8_t Address = 0;
  uint8_t PacketCopy[kTextSize]{};
  uint8_t TextBuffer[kTextSize]{};
  uint8_t MoveText[kMoveTextSize]{};
  uint32_t FontOffsets[16]{};
  uint8_t FontImage[kFontImageSize]{};
  int32_t Cursor = 0;
  uint8_t SlotMask = 0, SlotShift = 0;
  uint8_t FrameA[kFrameSize]{};
  uint8_t FrameB[kFrameSize]{};
  int32_t FlashOnTicks = 0, FlashOffTicks = 0;
  std::atomic<uint8_t> MoveIdle{0};  // 1: no moving text runs
  uint8_t ColorEnabled = 0;
  std::string StatusText;

  // Counters of the main loop.
  int32_t PhaseTicks = 0;
  int32_t PhaseLimit = 0;
  // Ticks run since the start (for the diagnostic views).
  std::atomic<uint64_t> TickCount{0};

  // State of one layout pass.
  uint8_t LineIndex = 1;
  uint32_t TextIndex = 0;
  uint32_t Column = 0;
  uint8_t MoveSeen = 0;
  char ClockText[16]{};

  // The picture of the window's client area that the last tick painted.
  ClientPicture Picture;
  // Bmi's colour table at PixelScale, as screen pixels; made by SetUpPlanes
  // so that painting a tick takes no memory.
  PlaneStretcher Stretcher;
  // What the last tick showed, for the platform's views.
  EngineSnapshot Snapshot;
  void TakeSnapshot();

  // Writers of FrameA/FrameB on different threads (the layout pass and the
  // moving-text painter) and the planes' reader hold this lock around their
  // work, so no update of a shared byte is lost and no read races a write.
  std::mutex FrameLock;

  EnginePlatform& Platform() { return platform_; }
  // The moving-text thread now running for this engine, or none.
  std::shared_ptr<TNasun> MoveThread();

private:
  EnginePlatform& platform_;
  std::mutex moveLock_;
  std::weak_ptr<TNasun> moveThread_;
};
