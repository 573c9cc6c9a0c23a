#include "Bdf.h"

#include <fstream>
#include <sstream>

namespace {

// Walks the source line by line and words of a line, counting lines for
// the messages.
class Reader {
public:
  Reader(std::istream& in, const std::string& source) : in_(in), source_(source) {}

  // Reads the next line that is not blank and no COMMENT; false at the end.
  bool Next() {
    std::string text;
    while (std::getline(in_, text)) {
      ++line_;
      if (!text.empty() && text.back() == '\r') text.pop_back();
      std::istringstream words(text);
      words_.clear();
      for (std::string w; words >> w;) words_.push_back(w);
      rest_ = text;
      if (!words_.empty() && words_[0] != "COMMENT") return true;
    }
    words_.clear();
    return false;
  }

  const std::string& Keyword() const { return words_[0]; }
  std::size_t WordCount() const { return words_.size(); }
  const std::string& Word(std::size_t i) const { return words_[i]; }
  // The text of the line after its keyword, without the leading blanks.
  std::string Rest() const {
    const std::size_t start = rest_.find_first_not_of(" \t", rest_.find(words_[0]) + words_[0].size());
    return start == std::string::npos ? "" : rest_.substr(start);
  }
  int Line() const { return line_; }

  [[noreturn]] void Fail(const std::string& message) const {
    throw FontError(source_ + ":" + std::to_string(line_) + ": " + message);
  }

  // Word i as a whole decimal number.
  long Number(std::size_t i) const {
    if (i >= words_.size()) Fail(words_[0] + " is missing a number");
    const std::string& w = words_[i];
    std::size_t used = 0;
    long value = 0;
    try {
      value = std::stol(w, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != w.size()) Fail("'" + w + "' is not a number");
    return value;
  }

private:
  std::istream& in_;
  const std::string& source_;
  std::vector<std::string> words_;
  std::string rest_;
  int line_ = 0;
};

std::string Unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
      out.push_back(text[i]);
      if (text[i] == '"' && text[i + 1] == '"') ++i;  // "" stands for one quote
    }
    return out;
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

BdfGlyph ReadGlyph(Reader& r) {
  BdfGlyph g;
  g.name = r.Rest();
  g.line = r.Line();
  bool haveBox = false, haveAdvance = false;
  for (;;) {
    if (!r.Next()) r.Fail("glyph '" + g.name + "' ends without ENDCHAR");
    const std::string& k = r.Keyword();
    if (k == "ENCODING") {
      g.encoding = r.Number(1);
    } else if (k == "DWIDTH") {
      g.advance = static_cast<int>(r.Number(1));
      haveAdvance = true;
    } else if (k == "BBX") {
      g.width = static_cast<int>(r.Number(1));
      g.height = static_cast<int>(r.Number(2));
      g.offsetX = static_cast<int>(r.Number(3));
      g.offsetY = static_cast<int>(r.Number(4));
      if (g.width < 0 || g.height < 0) r.Fail("BBX size must not be negative");
      haveBox = true;
    } else if (k == "BITMAP") {
      if (!haveBox) r.Fail("BITMAP before BBX in glyph '" + g.name + "'");
      const std::size_t bytes = (static_cast<std::size_t>(g.width) + 7) / 8;
      for (int y = 0; y < g.height; ++y) {
        if (!r.Next() || r.Keyword() == "ENDCHAR")
          r.Fail("glyph '" + g.name + "' has fewer bitmap rows than its BBX height " +
                 std::to_string(g.height));
        const std::string& hex = r.Keyword();
        if (r.WordCount() != 1 || hex.size() % 2 != 0 || hex.size() < 2 * bytes)
          r.Fail("bitmap row '" + hex + "' needs " + std::to_string(2 * bytes) + " hex digits");
        std::vector<uint8_t> row;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
          const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
          if (hi < 0 || lo < 0) r.Fail("bitmap row '" + hex + "' is not hexadecimal");
          row.push_back(static_cast<uint8_t>(hi * 16 + lo));
        }
        g.rows.push_back(std::move(row));
      }
      if (!r.Next() || r.Keyword() == "STARTCHAR" || r.Keyword() == "ENDFONT")
        r.Fail("glyph '" + g.name + "' ends without ENDCHAR");
      if (r.Keyword() != "ENDCHAR")
        r.Fail("glyph '" + g.name + "' has more bitmap rows than its BBX height " +
               std::to_string(g.height));
      break;
    } else if (k == "ENDCHAR") {
      r.Fail("glyph '" + g.name + "' has no BITMAP");
    } else if (k == "STARTCHAR" || k == "ENDFONT") {
      r.Fail("glyph '" + g.name + "' ends without ENDCHAR");
    }
    // SWIDTH and other glyph keywords do not matter on an LED sign.
  }
  if (!haveAdvance) r.Fail("glyph '" + g.name + "' has no DWIDTH");
  return g;
}

}  // namespace

BdfFont ParseBdf(std::istream& in, const std::string& source) {
  Reader r(in, source);
  BdfFont font;
  font.source = source;
  if (!r.Next() || r.Keyword() != "STARTFONT") r.Fail("not a BDF font: STARTFONT missing");

  std::string fontName;
  bool haveAscent = false, haveDescent = false, ended = false;
  long declaredGlyphs = -1;
  while (r.Next()) {
    const std::string& k = r.Keyword();
    if (k == "FONT") {
      fontName = r.Rest();
    } else if (k == "FONT_ASCENT") {
      font.ascent = static_cast<int>(r.Number(1));
      haveAscent = true;
    } else if (k == "FONT_DESCENT") {
      font.descent = static_cast<int>(r.Number(1));
      haveDescent = true;
    } else if (k == "FACE_NAME") {
      font.faceName = Unquote(r.Rest());
    } else if (k == "CHARS") {
      declaredGlyphs = r.Number(1);
    } else if (k == "STARTCHAR") {
      font.glyphs.push_back(ReadGlyph(r));
    } else if (k == "ENDFONT") {
      ended = true;
      break;
    }
  }
  if (!ended) r.Fail("ENDFONT missing");
  if (!haveAscent || !haveDescent) r.Fail("FONT_ASCENT and FONT_DESCENT properties are needed");
  if (font.ascent < 0 || font.descent < 0) r.Fail("FONT_ASCENT and FONT_DESCENT must not be negative");
  if (declaredGlyphs != static_cast<long>(font.glyphs.size()))
    r.Fail("CHARS says " + std::to_string(declaredGlyphs) + " glyphs, the font has " +
           std::to_string(font.glyphs.size()));
  if (font.faceName.empty()) font.faceName = fontName;
  return font;
}

BdfFont ReadBdfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FontError(path + ": cannot be opened");
  return ParseBdf(in, path);
}
