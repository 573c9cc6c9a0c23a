#include "StretchPlane.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

void PlaneStretcher::Set(const uint32_t palette[16], int scale) {
  scale_ = std::max(scale, 1);
  patterns_.assign(static_cast<std::size_t>(256) * 2 * scale_, 0);
  // A byte is two pixels: the high nibble left, the low nibble right. Its
  // pattern is each of them repeated scale times, so a line is drawn with
  // one table copy per byte.
  for (int value = 0; value < 256; ++value) {
    uint32_t* p = &patterns_[static_cast<std::size_t>(value) * 2 * scale_];
    std::fill(p, p + scale_, palette[value >> 4]);
    std::fill(p + scale_, p + 2 * scale_, palette[value & 15]);
  }
}

template <int kSpan>
void PlaneStretcher::CopyPatterns(const uint8_t* line, int bytes, uint32_t* out) const {
  // A copy of a size known here compiles to a few stores, not a call.
  const uint32_t* patterns = patterns_.data();
  for (int i = 0; i < bytes; ++i, out += kSpan)
    std::memcpy(out, patterns + static_cast<std::size_t>(line[i]) * kSpan,
                sizeof(uint32_t) * kSpan);
}

void PlaneStretcher::DrawLine(const uint8_t* line, int bytes, uint32_t* row, int x,
                              int pictureWidth) const {
  const int span = 2 * scale_;  // screen pixels per byte
  if (x >= 0 && x + bytes * span <= pictureWidth) {
    if (span == 4) {
      CopyPatterns<4>(line, bytes, row + x);  // the painting's own scale, 2
    } else {
      uint32_t* out = row + x;
      for (int i = 0; i < bytes; ++i, out += span)
        std::memcpy(out, &patterns_[static_cast<std::size_t>(line[i]) * span],
                    sizeof(uint32_t) * span);
    }
    return;
  }
  // Partly outside the picture: pixel by pixel, keeping what is inside.
  for (int i = 0; i < bytes; ++i)
    for (int k = 0; k < span; ++k) {
      const int px = x + i * span + k;
      if (px >= 0 && px < pictureWidth)
        row[px] = patterns_[static_cast<std::size_t>(line[i]) * span + k];
    }
}

void PlaneStretcher::Draw(const uint8_t* bits, int width, int height, ClientPicture& picture, int x,
                          int y) const {
  if (scale_ == 0 || bits == nullptr || width <= 0 || height <= 0 || picture.width <= 0) return;
  const int bytes = width / 2;
  const std::size_t stride = (static_cast<std::size_t>(width) * 4 + 31) / 32 * 4;
  // The part of each picture row that a line covers, for the copies.
  const int left = std::max(x, 0);
  const int right =
      std::min<long long>(picture.width, x + static_cast<long long>(bytes) * 2 * scale_);
  if (right <= left) return;

  for (int line = 0; line < height; ++line) {
    const uint8_t* src = bits + stride * static_cast<std::size_t>(line);
    // Scan line 0 is the bottom of the bitmap.
    const long long top = y + static_cast<long long>(height - 1 - line) * scale_;
    uint32_t* drawn = nullptr;
    for (int k = 0; k < scale_; ++k) {
      const long long py = top + k;
      if (py < 0 || py >= picture.height) continue;
      uint32_t* row = picture.pixels.data() + static_cast<std::size_t>(py) * picture.width;
      if (drawn == nullptr) {
        DrawLine(src, bytes, row, x, picture.width);
        drawn = row;
      } else {
        // The same bitmap line again: copy the row drawn first.
        std::memcpy(row + left, drawn + left, sizeof(uint32_t) * (right - left));
      }
    }
  }
}
