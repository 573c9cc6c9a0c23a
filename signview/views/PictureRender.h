#pragma once
// Pictures of the sign made from a tick's snapshot, laid out exactly as
// the simulation window shows them: gray background, row r at x 3 and
// y 2 x ((2 x Lines + 2) x r + 2), every LED a 4 x 4 block whose lower-right
// 2 x 2 square has the LED's colour and whose other pixels are black.
#include "ClientPicture.h"
#include "EngineSnapshot.h"

// The window's picture of one flash phase (phaseA true: every lit pixel;
// false: flashing pixels dark).
ClientPicture RenderPicture(const EngineSnapshot& snapshot, bool phaseA);

// The pixel at the centre of the lit square of one LED in such a picture.
struct PixelPosition {
  int x, y;
};
PixelPosition LedPixel(const EngineSnapshot& snapshot, int row, int line, int column);
