// The font compiler: BDF sources in, the sign's font-file bytes out. The
// bytes are read back with the test's own reader of the format, and the
// expected pixels come from the test's own drawings, never from the
// compiler. Bad sources must fail with a message naming the fault.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Bdf.h"
#include "CodePage1250.h"
#include "FontFile.h"
#include "FontFileReader.h"

namespace {

using fonttest::FontFileReader;
using fonttest::GlyphRecord;

// A glyph drawn as rows of '#' (ink) and '.' (paper), top row first; its
// BBX is the drawing's size, placed at (x, y) from the origin.
struct TestGlyph {
  long encoding;
  int advance;
  std::vector<std::string> rows;
  int x = 0, y = 0;
};

std::string HexRow(const std::string& row) {
  const std::size_t bytes = (row.size() + 7) / 8;
  std::string hex;
  for (std::size_t b = 0; b < std::max<std::size_t>(bytes, 1); ++b) {
    unsigned value = 0;
    for (std::size_t i = 0; i < 8; ++i)
      if (b * 8 + i < row.size() && row[b * 8 + i] == '#') value |= 0x80u >> i;
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    hex += text;
  }
  return hex;
}

std::string GlyphText(const TestGlyph& g) {
  std::ostringstream out;
  const int width = g.rows.empty() ? 0 : static_cast<int>(g.rows[0].size());
  out << "STARTCHAR g" << g.encoding << "\nENCODING " << g.encoding << "\nSWIDTH 500 0\nDWIDTH "
      << g.advance << " 0\nBBX " << width << " " << g.rows.size() << " " << g.x << " " << g.y
      << "\nBITMAP\n";
  for (const std::string& row : g.rows) out << HexRow(row) << "\n";
  out << "ENDCHAR\n";
  return out.str();
}

std::string FontText(int ascent, int descent, const std::vector<TestGlyph>& glyphs,
                     const std::string& face = "Test Font") {
  std::ostringstream out;
  out << "STARTFONT 2.1\nCOMMENT made by the test\nFONT -test-font\nSIZE " << ascent + descent
      << " 75 75\nFONTBOUNDINGBOX 16 " << ascent + descent << " 0 " << -descent
      << "\nSTARTPROPERTIES 3\nFACE_NAME \"" << face << "\"\nFONT_ASCENT " << ascent
      << "\nFONT_DESCENT " << descent << "\nENDPROPERTIES\nCHARS " << glyphs.size() << "\n";
  for (const TestGlyph& g : glyphs) out << GlyphText(g);
  out << "ENDFONT\n";
  return out.str();
}

// A drawing of code that differs from code to code: column x of line y is
// ink when bit (x + y) mod 7 of the code is set. The space stays empty.
std::vector<std::string> Drawing(long code, int width, int height) {
  std::vector<std::string> rows(height, std::string(width, '.'));
  if (code == ' ') return rows;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if ((code >> ((x + y) % 7)) & 1) rows[y][x] = '#';
  return rows;
}

// The printable ASCII characters in full-cell boxes of width × height.
std::vector<TestGlyph> AsciiGlyphs(int width, int ascent, int descent) {
  std::vector<TestGlyph> glyphs;
  for (long code = 0x20; code < 0x7F; ++code)
    glyphs.push_back({code, width, Drawing(code, width, ascent + descent), 0, -descent});
  return glyphs;
}

// The letters of the code page above ASCII, each drawn apart, for fonts of
// 10 lines or more, which must draw them all.
std::vector<TestGlyph> WithLetters(std::vector<TestGlyph> glyphs, int width, int ascent, int descent) {
  const std::u32string letters =
      U"ŠŚŤŽŹšśťžźŁĄŞŻłµąşĽľżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőöřůúűüýţ";
  for (char32_t letter : letters)
    glyphs.push_back({static_cast<long>(letter), width, Drawing(letter, width, ascent + descent), 0, -descent});
  return glyphs;
}

BdfFont Parse(const std::string& text, const std::string& source = "test.bdf") {
  std::istringstream in(text);
  return ParseBdf(in, source);
}

std::vector<uint8_t> Compile(const std::map<int, std::string>& sources) {
  std::map<int, fontfile::PackedFont> fonts;
  for (const auto& [slot, text] : sources) fonts[slot] = fontfile::PackFont(Parse(text));
  return fontfile::BuildFontFile(fonts);
}

// The pixel lines of a drawing as the format holds them, bit 15 = column 0.
std::vector<uint16_t> Lines(const std::vector<std::string>& rows) {
  std::vector<uint16_t> lines;
  for (const std::string& row : rows) {
    uint16_t line = 0;
    for (std::size_t x = 0; x < row.size(); ++x)
      if (row[x] == '#') line |= static_cast<uint16_t>(0x8000u >> x);
    lines.push_back(line);
  }
  return lines;
}

TEST(FontCompilerTest, BytesFollowTheFormat) {
  const auto narrow = AsciiGlyphs(5, 6, 1);   // 7 lines, one byte per line
  const auto wide = WithLetters(AsciiGlyphs(10, 10, 2), 10, 10, 2);  // 12 lines, two bytes per line
  const std::vector<uint8_t> bytes = Compile(
      {{0, FontText(6, 1, narrow, "Narrow 5x7")}, {2, FontText(10, 2, wide, "Wide 10x12")}});
  const FontFileReader file(bytes);

  const std::size_t narrowBlock = 23 + 256 * (1 + 7);
  const std::size_t wideBlock = 23 + 256 * (1 + 2 * 12);
  ASSERT_EQ(bytes.size(), 32 + narrowBlock + wideBlock);
  EXPECT_EQ(file.Offset(0), 32u);
  EXPECT_EQ(file.Offset(2), 32 + narrowBlock);
  for (int f : {1, 3, 9, 15}) EXPECT_EQ(file.Offset(f), 32u) << "unfilled slot " << f << " shows font 0";

  EXPECT_EQ(file.Name(0), "Narrow 5x7");
  EXPECT_EQ(file.Name(2), "Wide 10x12");
  EXPECT_EQ(file.WidthByte(0), 5);
  EXPECT_EQ(file.Height(0), 7);
  EXPECT_EQ(file.WidthByte(2), 10);
  EXPECT_EQ(file.Height(2), 12);
  EXPECT_EQ(file.Byte(32 + 22), 0);

  for (const auto& [font, glyphs] : {std::pair{0, narrow}, std::pair{2, wide}})
    for (const TestGlyph& g : glyphs) {
      const int code = g.encoding < 0x80 ? static_cast<int>(g.encoding)
                                         : EncodeCp1250(static_cast<char32_t>(g.encoding)).value();
      const auto record = file.Record(font, code);
      ASSERT_TRUE(record);
      EXPECT_EQ(record->width, g.advance) << "font " << font << " code " << g.encoding;
      EXPECT_EQ(record->lines, Lines(g.rows)) << "font " << font << " code " << g.encoding;
    }

  const GlyphRecord zero = *file.Record(0, 0);
  EXPECT_EQ(zero.width, 5) << "code 0 is a blank as wide as the space";
  EXPECT_EQ(zero.InkCount(), 0);
  for (int code : {1, 3, 0x1F, 0x7F, 0x80, 0x81, 0xA7})
    EXPECT_EQ(file.Record(0, code)->width, 0) << "code " << code << " has no glyph in this font";
}

TEST(FontCompilerTest, GlyphsStandOnTheBaselineWhereTheirBoxPutsThem) {
  auto glyphs = AsciiGlyphs(6, 6, 2);  // 8 lines, baseline under line 5
  glyphs['A' - 0x20] = {'A', 6, {"##", "#."}, 1, 0};   // on the baseline: lines 4-5
  glyphs['g' - 0x20] = {'g', 6, {"#.", "##"}, 3, -2};  // below it: lines 6-7
  glyphs['^' - 0x20] = {'^', 6, {"#"}, 5, 5};          // top line, last column
  const FontFileReader file(Compile({{0, FontText(6, 2, glyphs)}}));

  EXPECT_EQ(file.Record(0, 'A')->lines, Lines({"", "", "", "", ".##", ".#.", "", ""}));
  EXPECT_EQ(file.Record(0, 'g')->lines, Lines({"", "", "", "", "", "", "...#.", "...##"}));
  EXPECT_EQ(file.Record(0, '^')->lines, Lines({".....#", "", "", "", "", "", "", ""}));
}

TEST(FontCompilerTest, LettersKeepTheirAccentsOrBecomePlainInLowFonts) {
  const TestGlyph cCaron{0x010C, 5, Drawing(0x0C, 5, 9), 0, -2};  // Č, drawn unlike C
  // A font of 9 lines may leave the accented letters out: Č is drawn as C.
  auto low = AsciiGlyphs(5, 7, 2);
  const FontFileReader lowFile(Compile({{0, FontText(7, 2, low)}}));
  EXPECT_EQ(lowFile.Record(0, 0xC8)->lines, Lines(Drawing('C', 5, 9)));
  EXPECT_EQ(lowFile.Record(0, 0xE8)->lines, Lines(Drawing('c', 5, 9)));
  EXPECT_EQ(lowFile.Record(0, 0xDF)->lines, Lines(Drawing('s', 5, 9))) << "ß as s";
  EXPECT_EQ(lowFile.Record(0, 0x80)->width, 0) << "no stand-in for a sign that is no letter";

  // Given, it is used.
  low.push_back(cCaron);
  const FontFileReader withCaron(Compile({{0, FontText(7, 2, low)}}));
  EXPECT_EQ(withCaron.Record(0, 0xC8)->lines, Lines(cCaron.rows));

  // From 10 lines up every letter must be drawn with its accent.
  try {
    Compile({{0, FontText(8, 2, AsciiGlyphs(5, 8, 2))}});
    FAIL() << "a 10-line font without accented letters was accepted";
  } catch (const FontError& e) {
    EXPECT_NE(std::string(e.what()).find("U+010C"), std::string::npos) << e.what();
  }
}

// Bad sources: each is the good font with one fault; the message must name it.
struct BadSource {
  const char* name;
  std::string text;
  const char* message;  // part of the expected message
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::vector<BadSource> BadSources() {
  const std::string good = FontText(6, 1, AsciiGlyphs(5, 6, 1));
  auto glyphs = [](auto change) {
    auto g = AsciiGlyphs(5, 6, 1);
    change(g);
    return FontText(6, 1, g);
  };
  const std::string aGlyph = GlyphText(AsciiGlyphs(5, 6, 1)['A' - 0x20]);
  return {
      {"no_startfont", Replace(good, "STARTFONT 2.1", "STARTFONTS"), "STARTFONT missing"},
      {"no_endfont", Replace(good, "ENDFONT", ""), "ENDFONT missing"},
      {"no_ascent", Replace(good, "FONT_ASCENT 6", "X_HEIGHT 4"), "FONT_ASCENT"},
      {"ascent_not_a_number", Replace(good, "FONT_ASCENT 6", "FONT_ASCENT six"), "'six' is not a number"},
      {"chars_count", Replace(good, "CHARS 95", "CHARS 96"), "CHARS says 96"},
      {"short_bitmap", Replace(good, aGlyph, Replace(aGlyph, "BBX 5 7", "BBX 5 8")), "fewer bitmap rows"},
      {"long_bitmap", Replace(good, aGlyph, Replace(aGlyph, "BBX 5 7", "BBX 5 6")), "more bitmap rows"},
      {"bad_hex", Replace(good, aGlyph, Replace(aGlyph, "BITMAP\n", "BITMAP\nZZ\n")), "not hexadecimal"},
      {"no_dwidth", Replace(good, aGlyph, Replace(aGlyph, "DWIDTH 5 0\n", "")), "no DWIDTH"},
      {"no_endchar", Replace(good, aGlyph, Replace(aGlyph, "ENDCHAR\n", "")), "ends without ENDCHAR"},
      {"height_0", FontText(0, 0, {}), "height"},
      {"height_25", FontText(20, 5, AsciiGlyphs(5, 20, 5)), "height (FONT_ASCENT + FONT_DESCENT) is 25"},
      {"width_17", glyphs([](auto& g) { g['W' - 0x20] = {'W', 17, Drawing('W', 17, 7), 0, -1}; }),
       "17 columns wide"},
      {"width_0", glyphs([](auto& g) { g[' ' - 0x20] = {' ', 0, {}, 0, 0}; }), "0 columns wide"},
      {"ink_right_of_width", glyphs([](auto& g) { g['A' - 0x20] = {'A', 4, {"#####"}, 0, 0}; }),
       "ink outside its cell"},
      {"ink_left_of_cell", glyphs([](auto& g) { g['A' - 0x20] = {'A', 5, {"#"}, -1, 0}; }),
       "ink outside its cell"},
      {"ink_below_cell", glyphs([](auto& g) { g['A' - 0x20] = {'A', 5, {"#", "#"}, 0, -3}; }),
       "ink outside its cell"},
      {"ink_above_cell", glyphs([](auto& g) { g['A' - 0x20] = {'A', 5, {"#"}, 0, 6}; }),
       "ink outside its cell"},
      {"not_in_code_page", glyphs([](auto& g) { g.push_back({0x0416, 5, {"#"}}); }),
       "U+0416) has no Windows-1250 code"},
      {"control_character", glyphs([](auto& g) { g.push_back({7, 5, {"#"}}); }), "control character"},
      {"no_encoding", glyphs([](auto& g) { g.push_back({-1, 5, {"#"}}); }), "has no ENCODING"},
      {"twice", glyphs([](auto& g) { g.push_back(g['A' - 0x20]); }), "appears twice"},
      {"ascii_missing", glyphs([](auto& g) { g.erase(g.begin() + ('~' - 0x20)); }), "U+007E"},
      {"no_space", glyphs([](auto& g) { g.erase(g.begin()); }), "U+0020"},
      {"long_name", FontText(6, 1, AsciiGlyphs(5, 6, 1), "A name of twenty-one!"), "longer than 20 bytes"},
  };
}

void PrintTo(const BadSource& source, std::ostream* out) { *out << source.name; }

class BadSourceTest : public ::testing::TestWithParam<BadSource> {};

TEST_P(BadSourceTest, IsRefusedWithAMessageNamingTheFault) {
  try {
    Compile({{0, GetParam().text}});
    FAIL() << "accepted";
  } catch (const FontError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("test.bdf", 0), 0u) << "names the source: " << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, BadSourceTest, ::testing::ValuesIn(BadSources()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FontCompilerTest, TheWholeFileMustFit) {
  const fontfile::PackedFont font = fontfile::PackFont(Parse(FontText(6, 1, AsciiGlyphs(5, 6, 1))));
  EXPECT_THROW(fontfile::BuildFontFile({{1, font}}), FontError) << "no font 0";
  EXPECT_THROW(fontfile::BuildFontFile({{0, font}, {16, font}}), FontError) << "slot 16";

  // 24 lines of two bytes: 12567 bytes a block; five fit, six pass 65535 bytes.
  const fontfile::PackedFont big =
      fontfile::PackFont(Parse(FontText(20, 4, WithLetters(AsciiGlyphs(16, 20, 4), 16, 20, 4))));
  std::map<int, fontfile::PackedFont> fonts;
  for (int slot = 0; slot < 5; ++slot) fonts[slot] = big;
  const std::vector<uint8_t> five = fontfile::BuildFontFile(fonts);
  EXPECT_EQ(five.size(), 32 + 5 * (23 + 256 * 49u));
  EXPECT_EQ(FontFileReader(five).Offset(4), 32 + 4 * (23 + 256 * 49u));
  fonts[5] = big;
  try {
    fontfile::BuildFontFile(fonts);
    FAIL() << "a file of more than 65535 bytes was built";
  } catch (const FontError& e) {
    EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
  }
}

// The command line: a sound source gives the file, a bad one an error
// message, exit status 1 and no file at all.
class FontCompilerCommandTest : public ::testing::Test {
protected:
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("lumidot-fontc-" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(folder); }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(folder / name) << text;
    return (folder / name).string();
  }
  int Run(const std::string& arguments) {
    const std::string command = std::string(LUMIDOT_FONTC) + " " + arguments + " 2>" +
                                (folder / "stderr.txt").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Stderr() {
    std::ifstream in(folder / "stderr.txt");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

TEST_F(FontCompilerCommandTest, WritesTheFileOfItsSources) {
  const std::string regular = FontText(6, 1, AsciiGlyphs(5, 6, 1), "Regular");
  const std::string half = FontText(3, 0, AsciiGlyphs(3, 3, 0), "Half");
  const std::string out = (folder / "out.bin").string();
  ASSERT_EQ(Run("-o " + out + " 0=" + Write("r.bdf", regular) + " 3=" + Write("h.bdf", half)), 0)
      << Stderr();
  EXPECT_EQ(fonttest::ReadBytes(out), Compile({{0, regular}, {3, half}}));
}

TEST_F(FontCompilerCommandTest, ABadSourceLeavesNoFile) {
  const std::string out = (folder / "out.bin").string();
  const std::string bad = Write("bad.bdf", FontText(6, 1, AsciiGlyphs(17, 6, 1)));
  EXPECT_EQ(Run("-o " + out + " 0=" + bad), 1);
  EXPECT_NE(Stderr().find("bad.bdf:"), std::string::npos) << Stderr();
  EXPECT_NE(Stderr().find("17 columns wide"), std::string::npos) << Stderr();
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".part"));

  EXPECT_EQ(Run("-o " + out + " 0=" + (folder / "none.bdf").string()), 1);
  EXPECT_NE(Stderr().find("none.bdf: cannot be opened"), std::string::npos) << Stderr();
  EXPECT_EQ(Run("-o " + out + " 16=" + bad), 1);
  EXPECT_NE(Stderr().find("no font slot"), std::string::npos) << Stderr();
  EXPECT_EQ(Run("-o " + out + " 0=" + bad + " 0=" + bad), 1);
  EXPECT_NE(Stderr().find("given twice"), std::string::npos) << Stderr();
  EXPECT_EQ(Run(out), 2) << "no -o: usage";
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
