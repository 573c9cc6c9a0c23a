#pragma once
// Reading a bitmap font in BDF (Glyph Bitmap Distribution Format 2.1), the
// text format the font sources are kept in.
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

// A fault in a font source or in the font it describes; the message names
// the source (and its line, where one is to blame).
class FontError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One glyph as the source gives it.
struct BdfGlyph {
  std::string name;     // STARTCHAR
  long encoding = -1;   // ENCODING: the Unicode code point, -1 when none
  int advance = 0;      // DWIDTH x: columns the glyph takes in a line
  int width = 0;        // BBX: bitmap size in pixels and the offset of its
  int height = 0;       //   lower left corner from the origin (x right,
  int offsetX = 0;      //   y up from the baseline)
  int offsetY = 0;
  std::vector<std::vector<uint8_t>> rows;  // bitmap rows, top first; bit 7 of byte 0 is column 0
  int line = 0;         // line of STARTCHAR in the source

  // Whether the bitmap pixel in column x of row y (top row 0) is set.
  bool Pixel(int x, int y) const {
    return (rows[y][x / 8] >> (7 - x % 8)) & 1;
  }
};

// A whole font source.
struct BdfFont {
  std::string source;    // file name used in messages
  std::string faceName;  // FACE_NAME property, else the FONT name
  int ascent = 0;        // FONT_ASCENT: pixel lines above the baseline
  int descent = 0;       // FONT_DESCENT: pixel lines below it
  std::vector<BdfGlyph> glyphs;
};

// Reads a BDF source. source names it in messages. Throws FontError, with
// "source:line: " before the message, for anything it cannot make sense of:
// a missing keyword, a bad number, a bitmap whose rows do not match BBX,
// a CHARS count that differs from the glyphs found, a missing FONT_ASCENT or
// FONT_DESCENT.
BdfFont ParseBdf(std::istream& in, const std::string& source);

// Reads the BDF file at path; throws FontError when it cannot be opened.
BdfFont ReadBdfFile(const std::string& path);
