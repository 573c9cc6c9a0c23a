// The three shipped font files, read back as the engine reads them (not by
// running the compiler again): offsets and records inside the file, heights
// and widths the engine can draw, tall and half-height fonts for their row
// height, a space in every font, and every letter of the code page.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "CodePage1250.h"
#include "FontFileReader.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

using fonttest::FontFileReader;
using fonttest::GlyphRecord;

struct ShippedFile {
  const char* name;
  int lines;  // LED lines per row the file is for
};
const ShippedFile kFiles[] = {
    {"Lumidot_10_v_1_00.bin", 10}, {"Lumidot_v_1_00.bin", 16}, {"Lumidot_1_02_20.bin", 20}};

// What each file offers: fonts 0 to 2 fill the row, font 3 is half-height.
enum Slot { kRegular = 0, kBold = 1, kNarrow = 2, kHalf = 3 };

// The letters above ASCII of Windows-1250, written out here so the test
// does not lean on the compiler's own list.
const std::u32string kLetters =
    U"ŠŚŤŽŹšśťžźŁĄŞŻłµąşĽľżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔŐÖŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőöřůúűüýţ";

std::string PathOf(const char* name) { return std::string(LUMIDOT_FONT_DIR) + "/" + name; }

class ShippedFontsTest : public ::testing::TestWithParam<ShippedFile> {
protected:
  FontFileReader file{fonttest::ReadBytes(PathOf(GetParam().name))};

  std::set<std::size_t> Blocks() const {
    std::set<std::size_t> blocks;
    for (int f = 0; f < 16; ++f) blocks.insert(file.Offset(f));
    return blocks;
  }
  GlyphRecord Glyph(int font, int code) const {
    auto record = file.Record(font, code);
    EXPECT_TRUE(record) << "font " << font << " code " << code << " lies past the file's end";
    return record.value_or(GlyphRecord{});
  }
};

TEST_P(ShippedFontsTest, EveryBlockLiesWhollyInsideTheFile) {
  ASSERT_GE(file.Size(), 32u) << PathOf(GetParam().name);
  EXPECT_LE(file.Size(), 65535u) << "the moving text keeps only 65535 bytes of the font image";
  for (int f = 0; f < 16; ++f) {
    EXPECT_GE(file.Offset(f), 32u) << "font " << f;
    EXPECT_LE(file.BlockEnd(f), file.Size()) << "font " << f;
  }
}

TEST_P(ShippedFontsTest, HeightsAndWidthsAreWhatTheEngineDraws) {
  for (int f = 0; f < 16; ++f) {
    const int height = file.Height(f);
    EXPECT_GE(height, 1) << "font " << f;
    EXPECT_LE(height, 24) << "font " << f;
    EXPECT_LE(file.WidthByte(f), 16) << "font " << f;
    for (int code = 0; code < 256; ++code) {
      const GlyphRecord g = Glyph(f, code);
      ASSERT_LE(g.width, file.WidthByte(f)) << "font " << f << " code " << code;
      for (int y = 0; y < height; ++y)
        ASSERT_EQ(g.lines[y] & (0xFFFF >> g.width), 0)
            << "font " << f << " code " << code << ": ink right of the glyph's width is never drawn";
    }
  }
}

TEST_P(ShippedFontsTest, TallFontsFillTheRowAndTheHalfFontFitsHalfOfIt) {
  const int lines = GetParam().lines;
  for (int f : {kRegular, kBold, kNarrow}) {
    EXPECT_GT(file.Height(f), lines / 2) << "font " << f << " is tall";
    EXPECT_LE(file.Height(f), lines) << "font " << f << " fits the row";
  }
  EXPECT_LE(file.Height(kHalf), lines / 2) << "font 3 is half-height";
  EXPECT_GE(file.Height(kHalf), 5) << "font 3 is high enough to read";
}

TEST_P(ShippedFontsTest, BoldIsHeavierAndNarrowIsNarrowerThanRegular) {
  int regularInk = 0, boldInk = 0, regularWidth = 0, narrowWidth = 0;
  for (int code = 'A'; code <= 'z'; ++code) {
    regularInk += Glyph(kRegular, code).InkCount();
    boldInk += Glyph(kBold, code).InkCount();
    regularWidth += Glyph(kRegular, code).width;
    narrowWidth += Glyph(kNarrow, code).width;
  }
  EXPECT_GT(boldInk, regularInk * 5 / 4);
  EXPECT_LT(narrowWidth, regularWidth);
}

TEST_P(ShippedFontsTest, SlotsBeyondTheDesignsFallBackToFontZero) {
  EXPECT_EQ(Blocks().size(), 4u);
  for (int f = 4; f < 16; ++f) EXPECT_EQ(file.Offset(f), file.Offset(0)) << "font " << f;
}

TEST_P(ShippedFontsTest, EveryFontHasASpaceABlankCodeZeroAndThePrintableAscii) {
  for (int f = 0; f < 16; ++f) {
    EXPECT_GE(Glyph(f, ' ').width, 1) << "font " << f;
    EXPECT_EQ(Glyph(f, ' ').InkCount(), 0) << "font " << f;
    EXPECT_GE(Glyph(f, 0).width, 1) << "font " << f << ": code 0 is drawn as a blank";
    EXPECT_EQ(Glyph(f, 0).InkCount(), 0) << "font " << f;
    for (int code = 0x21; code < 0x7F; ++code) {
      const GlyphRecord g = Glyph(f, code);
      EXPECT_GE(g.width, 1) << "font " << f << " '" << char(code) << "'";
      EXPECT_GT(g.InkCount(), 0) << "font " << f << " '" << char(code) << "'";
    }
  }
}

TEST_P(ShippedFontsTest, EveryLetterOfTheCodePageIsThere) {
  for (int f : {kRegular, kBold, kNarrow, kHalf}) {
    std::set<std::vector<uint16_t>> asciiLetters;
    for (int c = 'A'; c <= 'z'; ++c) asciiLetters.insert(Glyph(f, c).lines);
    for (char32_t letter : kLetters) {
      const auto code = EncodeCp1250(letter);
      ASSERT_TRUE(code);
      const GlyphRecord g = Glyph(f, *code);
      EXPECT_GE(g.width, 1) << "font " << f << " U+" << std::hex << unsigned(letter);
      EXPECT_GT(g.InkCount(), 0) << "font " << f << " U+" << std::hex << unsigned(letter);
      // From 10 lines up a letter keeps its accent, so it looks like no ASCII letter.
      if (file.Height(f) >= 10) {
        EXPECT_FALSE(asciiLetters.count(g.lines)) << "font " << f << " U+" << std::hex << unsigned(letter);
      }
    }
  }
}

// The engine loads the file of its line count from the bin folder and
// rasterizes its fonts as the file holds them.
TEST_P(ShippedFontsTest, TheEngineLoadsItForItsLineCount) {
  TestPlatform platform;
  platform.fontDirectories = {LUMIDOT_FONT_DIR};
  auto engine = std::make_shared<Tsiml>(platform);
  engine->Lines = static_cast<uint8_t>(GetParam().lines);
  engine->LoadFontFile();

  EXPECT_EQ(engine->LoadedFontPath, PathOf(GetParam().name));
  EXPECT_TRUE(platform.Log().empty());
  for (int f = 0; f < 16; ++f) {
    EXPECT_EQ(engine->FontOffsets[f], file.Offset(f));
    engine->Attr.Font = static_cast<uint8_t>(f);
    engine->Attr.Ink = 1;
    engine->Attr.Paper = 0;
    engine->RasterizeGlyph('A');
    const GlyphRecord a = Glyph(f, 'A');
    ASSERT_EQ(engine->GlyphWidth, static_cast<uint32_t>(a.width));
    ASSERT_EQ(engine->GlyphHeight, file.Height(f));
    for (int y = 0; y < file.Height(f); ++y)
      for (int x = 0; x < a.width; ++x) ASSERT_EQ(engine->Cell[y][x], a.Ink(x, y) ? 1 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ShippedFontsTest, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return "Lines" + std::to_string(info.param.lines); });

}  // namespace
