#include "PictureRender.h"

namespace {
constexpr int kScale = 2;
int RowTop(int lines, int row) { return kScale * ((2 * lines + 2) * row + 2); }
}  // namespace

ClientPicture RenderPicture(const EngineSnapshot& s, bool phaseA) {
  ClientPicture picture;
  const int width = 2 * s.columns * kScale + 6;
  const int height = s.rows * (2 * s.lines + 2) * kScale + 5;
  if (s.columns <= 0 || s.lines == 0 || s.rows == 0) return picture;
  picture.Resize(width, height, kWindowGray);
  for (int r = 0; r < s.rows; ++r) {
    for (int line = 0; line < s.lines; ++line) {
      for (int c = 0; c < s.columns; ++c) {
        const uint32_t lit = kPalette[s.Led(phaseA, r, line, c) & 3];
        const int x0 = 3 + 4 * c, y0 = RowTop(s.lines, r) + 4 * line;
        for (int dy = 0; dy < 4; ++dy)
          for (int dx = 0; dx < 4; ++dx)
            picture.pixels[static_cast<std::size_t>(y0 + dy) * width + x0 + dx] =
                (dx >= 2 && dy >= 2) ? lit : kPalette[0];
      }
    }
  }
  return picture;
}

PixelPosition LedPixel(const EngineSnapshot& s, int row, int line, int column) {
  return {3 + 4 * column + 2, RowTop(s.lines, row) + 4 * line + 2};
}
