#include "Glyphs.h"

void RasterizeGlyphInto(const uint8_t* image, std::size_t imageSize, const uint32_t offsets[16],
                        const TextAttr& attr, uint8_t code, GlyphCell& cell, uint32_t& width,
                        uint8_t& height) {
  const std::size_t block = offsets[attr.Font & 15];
  width = 0;
  if (block + 22 > imageSize) {  // no width and height bytes: nothing to draw
    height = 0;
    return;
  }
  const unsigned wide = image[block + 20];
  unsigned h = image[block + 21];
  if (h > kCellRows) h = kCellRows;
  height = static_cast<uint8_t>(h);

  const std::size_t recordSize = wide <= 8 ? 1 + h : 1 + 2 * h;
  const std::size_t record = block + 23 + std::size_t{code} * recordSize;
  if (record + recordSize > imageSize) {  // record past the image
    height = 0;
    return;
  }

  unsigned w = image[record];
  if (w > kMaxGlyphWidth) w = kMaxGlyphWidth;
  for (unsigned y = 0; y < h; ++y) {
    const unsigned pattern = wide <= 8
                                 ? image[record + 1 + y] * 256u
                                 : image[record + 1 + 2 * y] * 256u + image[record + 2 + 2 * y];
    for (unsigned x = 0; x < w; ++x)
      cell[y][x] = (pattern >> (15 - x)) & 1 ? attr.Ink : attr.Paper;
  }
  width = w;
}
