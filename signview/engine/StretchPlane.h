#pragma once
// Stretching a paint plane into the picture of the simulation window, the
// way the painting call shows a 4-bit bottom-up bitmap through its colour
// table at a whole-number magnification.
#include <cstdint>
#include <vector>

#include "ClientPicture.h"

class PlaneStretcher {
 public:
  // An empty stretcher draws nothing until Set.
  PlaneStretcher() = default;
  PlaneStretcher(const uint32_t palette[16], int scale) { Set(palette, scale); }

  // palette: the 16 colours of the colour table as 0xAARRGGBB, indexed by
  // pixel value. scale: screen pixels per bitmap pixel in each direction,
  // at least 1 (smaller values count as 1). Takes the stretcher's memory.
  void Set(const uint32_t palette[16], int scale);

  // Draws a 4-bit bitmap of width × height pixels (width even) with its
  // top-left corner at picture pixel (x, y); every bitmap pixel becomes a
  // scale × scale block. bits holds height scan lines, the first one the
  // BOTTOM line of the picture, each (width / 2) bytes padded up to a
  // multiple of 4 bytes; in a byte the high nibble is the left pixel. What
  // falls outside the picture is cut off. Takes no memory.
  void Draw(const uint8_t* bits, int width, int height, ClientPicture& picture, int x, int y) const;

 private:
  // Draws one scan line into one picture row (y inside the picture).
  void DrawLine(const uint8_t* line, int bytes, uint32_t* row, int x, int pictureWidth) const;
  // Writes the patterns of bytes into out, kSpan pixels each.
  template <int kSpan>
  void CopyPatterns(const uint8_t* line, int bytes, uint32_t* out) const;

  int scale_ = 0;
  // For every byte value, the 2 × scale screen pixels its two pixels become.
  std::vector<uint32_t> patterns_;
};
