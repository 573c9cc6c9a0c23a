#pragma once
// The LEDs of a sign read back from a picture laid out as the simulation
// window lays it out: row r at y 2 x ((2 x Lines + 2) x r + 2), LED (line, c)
// of it centred at x 3 + 4c + 2, y + 4 line + 2.
#include <algorithm>
#include <climits>
#include <vector>

#include <QImage>

enum LedColour { kDark = 0, kRed = 1, kGreen = 2, kYellow = 3, kNoLedColour = -1 };

// The colour code of an RGB value, or kNoLedColour.
inline int LedColourOf(QRgb rgb) {
  switch (rgb & 0xFFFFFF) {
    case 0x000000: return kDark;
    case 0xFF0000: return kRed;
    case 0x00FF00: return kGreen;
    case 0xFFFF00: return kYellow;
    default: return kNoLedColour;
  }
}

// Where LEDs of one colour were found.
struct LedExtent {
  int count = 0;
  int firstColumn = INT_MAX, lastColumn = -1;
  int firstRow = INT_MAX, lastRow = -1;
};

struct LedGrid {
  int columns = 0, lines = 0, rows = 0;
  std::vector<int> codes;  // row by row, line by line, column by column

  int At(int row, int line, int column) const {
    return codes[(static_cast<std::size_t>(row) * lines + line) * columns + column];
  }
  // LEDs whose pixel has none of the four colours (a wrong layout).
  int Unreadable() const { return static_cast<int>(std::count(codes.begin(), codes.end(), kNoLedColour)); }
  LedExtent Find(int colour) const {
    LedExtent e;
    for (int r = 0; r < rows; ++r)
      for (int l = 0; l < lines; ++l)
        for (int c = 0; c < columns; ++c) {
          if (At(r, l, c) != colour) continue;
          ++e.count;
          e.firstColumn = std::min(e.firstColumn, c);
          e.lastColumn = std::max(e.lastColumn, c);
          e.firstRow = std::min(e.firstRow, r);
          e.lastRow = std::max(e.lastRow, r);
        }
    return e;
  }
};

// Reads every LED's centre pixel; an empty grid when the picture has not
// the size the geometry gives.
inline LedGrid ReadLeds(const QImage& picture, int columns, int lines, int rows) {
  LedGrid grid;
  if (picture.width() != 4 * columns + 6 || picture.height() != rows * (4 * lines + 4) + 5) return grid;
  grid = {columns, lines, rows, {}};
  for (int r = 0; r < rows; ++r)
    for (int l = 0; l < lines; ++l)
      for (int c = 0; c < columns; ++c)
        grid.codes.push_back(LedColourOf(picture.pixel(3 + 4 * c + 2, 2 * ((2 * lines + 2) * r + 2) + 4 * l + 2)));
  return grid;
}
