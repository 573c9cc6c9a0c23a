// Paint planes, flash phases and the picture of the simulation window.
//
// Each tick unpacks every slot of both flash phases into a plane: a 4-bit
// bottom-up bitmap of 2 × Columns by 2 × Lines pixels in which every LED is
// a 2 × 2 cell whose lower-right pixel has the LED's colour. The planes of
// the phase shown are stretched ×PixelScale into Picture, the whole client
// area, which is handed to the platform once per tick.
#include <algorithm>
#include <new>
#include <string>

#include "Tsiml.h"

namespace {

// A slot's bit pairs within a frame byte: slots 1/5, 2/6, 3/7, 4/8 sit at
// these shifts.
constexpr int kSlotShift[4] = {0, 6, 4, 2};
constexpr int kFirstHalfBase = 479;   // slots 1-4 read from here downwards
constexpr int kSecondHalfBase = 959;  // slots 5-8
constexpr int kMaxShownRows = 8;      // one row per slot

// The planes can show a display whose rows fit a half pixel line (at most
// 480 columns, a multiple of 4 so that scan lines need no padding) and
// whose pixel lines lie inside a phase.
bool PaintableGeometry(int32_t columns, int lines) {
  return columns >= 4 && columns <= 480 && columns % 4 == 0 && lines >= 1 && lines <= 32;
}

// Sign rows that reach the window: at most one per slot.
int ShownRows(const Tsiml& e) {
  return PaintableGeometry(e.Columns, e.Lines) ? std::min<int>(e.Rows, kMaxShownRows) : 0;
}

uint32_t ScreenColour(const BitmapInfo::RgbQuad& q) {
  return 0xFF000000u | uint32_t{q.rgbRed} << 16 | uint32_t{q.rgbGreen} << 8 | q.rgbBlue;
}

}  // namespace

void Tsiml::SetUpPlanes() {
  ReleasePlanes();  // a repeated set-up replaces the planes, never leaks them
  PixelScale = 2;
  const bool paintable = PaintableGeometry(Columns, Lines);
  // Only a paintable geometry is sized: any other leaves no planes to describe.
  const int32_t width = paintable ? 2 * Columns : 0, height = paintable ? 2 * Lines : 0;

  Bmi = BitmapInfo{};
  Bmi.bmiHeader.biSize = 40;
  Bmi.bmiHeader.biWidth = width;
  Bmi.bmiHeader.biHeight = height;  // positive: bottom-up
  Bmi.bmiHeader.biPlanes = 1;
  Bmi.bmiHeader.biBitCount = 4;
  Bmi.bmiHeader.biCompression = 0;
  // Dark, red, green, yellow; entries 4-15 stay black and are never used.
  Bmi.bmiColors[1].rgbRed = 255;
  Bmi.bmiColors[2].rgbGreen = 255;
  Bmi.bmiColors[3].rgbRed = 255;
  Bmi.bmiColors[3].rgbGreen = 255;

  uint32_t palette[16];
  for (int i = 0; i < 16; ++i) palette[i] = ScreenColour(Bmi.bmiColors[i]);
  Stretcher.Set(palette, PixelScale);

  auto unpainted = [this] {
    platform_.AppendLog("The display of " + std::to_string(Columns) + " columns and " +
                        std::to_string(Lines) + " lines cannot be painted; the window stays gray");
  };
  if (!paintable) {
    unpainted();
    return;
  }
  const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (int k = 0; k < kPlaneCount; ++k) {
    Planes[k] = new (std::nothrow) uint8_t[size]();  // zero-filled
    if (Planes[k] == nullptr) {
      // Without all sixteen planes nothing is painted; the engine still
      // takes packets and lays text out, and the window stays gray.
      ReleasePlanes();
      unpainted();
      return;
    }
  }
}

void Tsiml::SizeWindow() {
  // A display that cannot be painted gets a window of margins only.
  const bool paintable = PaintableGeometry(Columns, Lines);
  const int rows = ShownRows(*this);
  const int columns = paintable ? Columns : 0;
  const int lines = paintable ? Lines : 0;
  const int height = rows * (2 * lines + 2) * PixelScale + 5;
  const int width = 2 * columns * PixelScale + 6;
  platform_.SizeWindow(width, height);
  Picture.Resize(width, height, kWindowGray);
}

void Tsiml::UnpackPlanes() {
  if (Planes[0] == nullptr) return;  // planes are made all together or not at all
  const int columns = Columns, lines = Lines;
  const std::size_t scanLine = static_cast<std::size_t>(2 * columns);
  for (int line = 0; line < lines; ++line) {
    // Pixel line 0 is the top LED line: the last even scan line of the
    // bottom-up bitmap.
    const std::size_t d = scanLine * static_cast<std::size_t>(lines - 1 - line);
    // Each frame byte is read once and gives the four slots of its half:
    // planes k..k+3 are slots 1-4 (or 5-8) of phase A (or B).
    for (int half = 0; half < 4; ++half) {
      const uint8_t* frame = (half & 2 ? FrameB : FrameA) + kFrameLineBytes * line +
                             (half & 1 ? kSecondHalfBase : kFirstHalfBase);
      const int k = (half & 2 ? 8 : 0) + (half & 1 ? 4 : 0);
      uint8_t* slot0 = Planes[k] + d;
      uint8_t* slot1 = Planes[k + 1] + d;
      uint8_t* slot2 = Planes[k + 2] + d;
      uint8_t* slot3 = Planes[k + 3] + d;
      for (int c = 0; c < columns; ++c) {
        const uint8_t v = frame[-c];  // column c lies c bytes below the base
        slot0[c] = v >> kSlotShift[0] & 3;
        slot1[c] = v >> kSlotShift[1] & 3;
        slot2[c] = v >> kSlotShift[2] & 3;
        slot3[c] = v >> kSlotShift[3] & 3;
      }
    }
  }
}

void Tsiml::StepFlashPhase() {
  if (PhaseTicks >= PhaseLimit) {
    PhaseTicks = 0;
    if (FlashPhase == 1) {
      FlashPhase = 0;
      PhaseLimit = FlashOffTicks;
    } else {
      FlashPhase = 1;
      PhaseLimit = FlashOnTicks;
    }
  }
  // PhaseTicks goes up after the tick's sleep, in the main loop.
}

void Tsiml::PaintRows() {
  const int rows = Planes[0] != nullptr ? ShownRows(*this) : 0;
  for (int r = 0; r < rows; ++r) {
    PaintBits = FlashPhase == 1 ? Planes[r] : Planes[8 + r];
    const int y = PixelScale * ((2 * Lines + 2) * r + 2);
    Stretcher.Draw(PaintBits, Bmi.bmiHeader.biWidth, Bmi.bmiHeader.biHeight, Picture, 3, y);
  }
  // The platform gets the whole picture of this tick at once.
  platform_.Present(Picture);
}

void Tsiml::ReleasePlanes() {
  for (int k = 0; k < 8; ++k) {
    delete[] Planes[k];
    Planes[k] = nullptr;
    delete[] Planes[8 + k];
    Planes[8 + k] = nullptr;
  }
  PaintBits = nullptr;
}
