#pragma once
#include <cstdint>
#include <vector>

// Colours of the simulation window, as 0xAARRGGBB (the layout of a Qt
// RGB32 image).
inline constexpr uint32_t kWindowGray = 0xFF808080u;  // the window's background
inline constexpr uint32_t kPalette[4] = {
    0xFF000000u,  // 0 dark: black
    0xFFFF0000u,  // 1 red
    0xFF00FF00u,  // 2 green
    0xFFFFFF00u,  // 3 yellow
};

// The picture of the simulation window's client area after one tick:
// width × height pixels, row by row from the top, 0xAARRGGBB each.
struct ClientPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  void Resize(int w, int h, uint32_t fill) {
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill);
  }
  uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
