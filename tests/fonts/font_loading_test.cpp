// Loading a font file and rasterizing glyphs from it, with small font files
// each test writes itself: the format's positions, the width clamp, paper
// and ink, the folders searched, and bad files that must never make the
// engine read or write outside a buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Glyphs.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed at the end.
class TempFolder {
public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "lumidot-fonts-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutOffset(std::vector<uint8_t>& file, int font, std::size_t offset) {
  file[2 * font] = static_cast<uint8_t>(offset >> 8);
  file[2 * font + 1] = static_cast<uint8_t>(offset & 0xFF);
}

// A font block at `at`: width byte w, height h, and every record filled with
// bytes that depend on the code and the position in the record, so reading
// the wrong record or the wrong line shows.
void PutBlock(std::vector<uint8_t>& file, std::size_t at, uint8_t w, uint8_t h) {
  const std::size_t record = 1 + (w <= 8 ? 1 : 2) * std::size_t{h};
  file.resize(std::max(file.size(), at + 23 + 256 * record), 0);
  file[at + 20] = w;
  file[at + 21] = h;
  for (std::size_t code = 0; code < 256; ++code) {
    const std::size_t r = at + 23 + code * record;
    file[r] = static_cast<uint8_t>(1 + code % w);
    for (std::size_t i = 1; i < record; ++i) file[r + i] = static_cast<uint8_t>(code * 7 + i * 13);
  }
}

// A file whose 16 offsets all point to one block at byte 32.
std::vector<uint8_t> FileWithOneBlock(uint8_t w, uint8_t h) {
  std::vector<uint8_t> file(32, 0);
  for (int f = 0; f < 16; ++f) PutOffset(file, f, 32);
  PutBlock(file, 32, w, h);
  return file;
}

class FontLoadingTest : public ::testing::Test {
protected:
  TempFolder folder;
  TestPlatform platform;
  std::shared_ptr<Tsiml> engine = std::make_shared<Tsiml>(platform);

  // Writes the 16-line file into the folder and loads it as the engine does.
  void Load(const std::vector<uint8_t>& file) {
    WriteFile(fs::path(folder.Path()) / "Lumidot_v_1_00.bin", file);
    platform.fontDirectories = {folder.Path()};
    engine->Lines = 16;
    engine->LoadFontFile();
  }
  void Rasterize(uint8_t font, uint8_t code, uint8_t paper = 0, uint8_t ink = 1) {
    engine->Attr.Font = font;
    engine->Attr.Paper = paper;
    engine->Attr.Ink = ink;
    engine->RasterizeGlyph(code);
  }
};

TEST_F(FontLoadingTest, HeaderBytesOneZeroPutFontZeroAt256WithWidthAndHeightAt276And277) {
  std::vector<uint8_t> file(32, 0);
  file[0] = 0x01;
  file[1] = 0x00;
  PutBlock(file, 256, 5, 7);
  // The record of code 65 lies at block offset 23 + 65 × 8 = 543.
  const std::size_t record = 256 + 543;
  ASSERT_EQ(file[276], 5);
  ASSERT_EQ(file[277], 7);
  file[record] = 5;
  const uint8_t lines[7] = {0x20, 0x50, 0x88, 0xF8, 0x88, 0x88, 0x00};  // an 'A'
  std::memcpy(&file[record + 1], lines, 7);
  Load(file);

  EXPECT_EQ(engine->FontOffsets[0], 256u);
  Rasterize(0, 65);
  EXPECT_EQ(engine->GlyphWidth, 5u);
  EXPECT_EQ(engine->GlyphHeight, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(engine->Cell[y][x], (lines[y] >> (7 - x)) & 1) << "line " << y << " column " << x;
}

TEST_F(FontLoadingTest, TwoBytePixelLinesOfAWideFont) {
  std::vector<uint8_t> file = FileWithOneBlock(12, 16);
  // The record of code 65 lies at block offset 23 + 65 × 33 = 2168; pixel
  // line y is record bytes 1 + 2y (columns 0-7) and 2 + 2y (columns 8-15).
  const std::size_t record = 32 + 2168;
  file[record] = 12;
  for (int y = 0; y < 16; ++y) {
    file[record + 1 + 2 * y] = static_cast<uint8_t>(0x80 >> (y % 8));
    file[record + 2 + 2 * y] = static_cast<uint8_t>(y < 8 ? 0x00 : 0xF0 >> (y - 8) % 4);
  }
  Load(file);

  Rasterize(0, 65);
  ASSERT_EQ(engine->GlyphWidth, 12u);
  ASSERT_EQ(engine->GlyphHeight, 16);
  for (int y = 0; y < 16; ++y) {
    const unsigned pattern = file[record + 1 + 2 * y] << 8 | file[record + 2 + 2 * y];
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(engine->Cell[y][x], (pattern >> (15 - x)) & 1) << "line " << y << " column " << x;
  }
}

TEST_F(FontLoadingTest, ARecordWidthAbove16DrawsSixteenColumns) {
  std::vector<uint8_t> file = FileWithOneBlock(16, 2);
  const std::size_t record = 32 + 23 + 'W' * 5;
  file[record] = 20;
  file[record + 1] = 0xFF;
  file[record + 2] = 0xFF;
  Load(file);
  std::memset(engine->Cell, 9, sizeof engine->Cell);

  Rasterize(0, 'W', 2, 3);
  EXPECT_EQ(engine->GlyphWidth, 16u);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(engine->Cell[0][x], 3) << "column " << x;
  EXPECT_EQ(engine->Cell[0][16], 9) << "columns from the width on keep their contents";
}

TEST_F(FontLoadingTest, PaperAndInkOfANarrowGlyph) {
  std::vector<uint8_t> file = FileWithOneBlock(4, 1);
  const std::size_t record = 32 + 23 + 'i' * 2;
  file[record] = 4;
  file[record + 1] = 0xA0;
  Load(file);
  std::memset(engine->Cell, 9, sizeof engine->Cell);

  Rasterize(0, 'i', /*paper=*/2, /*ink=*/1);
  EXPECT_EQ(engine->GlyphWidth, 4u);
  EXPECT_EQ(std::vector<int>(engine->Cell[0], engine->Cell[0] + 5), (std::vector<int>{1, 2, 1, 2, 9}));
  EXPECT_EQ(engine->Cell[1][0], 9) << "lines from the height on keep their contents";
}

TEST_F(FontLoadingTest, NoFontFileGivesEmptyGlyphsAndOneLogLineNamingTheFile) {
  platform.fontDirectories = {folder.Path(), folder.Path() + "/missing"};
  engine->Lines = 16;
  engine->LoadFontFile();

  for (int font : {0, 7, 15})
    for (int code : {0, int{' '}, int{'A'}, 255}) {
      Rasterize(static_cast<uint8_t>(font), static_cast<uint8_t>(code));
      EXPECT_EQ(engine->GlyphWidth, 0u);
      EXPECT_EQ(engine->GlyphHeight, 0);
    }
  const auto log = platform.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Lumidot_v_1_00.bin"), std::string::npos) << log[0];
  EXPECT_TRUE(engine->LoadedFontPath.empty());
}

TEST_F(FontLoadingTest, AFolderInPlaceOfTheFileCountsAsUnreadable) {
  fs::create_directory(fs::path(folder.Path()) / "Lumidot_v_1_00.bin");
  platform.fontDirectories = {folder.Path()};
  engine->Lines = 16;
  engine->LoadFontFile();

  Rasterize(0, ' ');
  EXPECT_EQ(engine->GlyphWidth, 0u);
  ASSERT_EQ(platform.Log().size(), 1u);
  EXPECT_NE(platform.Log()[0].find("Lumidot_v_1_00.bin"), std::string::npos);
  EXPECT_TRUE(engine->LoadedFontPath.empty());
}

TEST_F(FontLoadingTest, TheFirstFolderHoldingTheFileWins) {
  TempFolder installed;
  const std::vector<uint8_t> own = FileWithOneBlock(5, 7), shared = FileWithOneBlock(6, 9);
  WriteFile(fs::path(installed.Path()) / "Lumidot_v_1_00.bin", shared);
  const std::string empty = folder.Path();
  engine->Lines = 16;

  platform.fontDirectories = {empty, installed.Path()};
  engine->LoadFontFile();
  Rasterize(0, ' ');
  EXPECT_EQ(engine->GlyphHeight, 9) << "the installed folder is searched when the first has no file";
  EXPECT_EQ(engine->LoadedFontPath, installed.Path() + "/Lumidot_v_1_00.bin");

  WriteFile(fs::path(empty) / "Lumidot_v_1_00.bin", own);
  engine->LoadFontFile();
  Rasterize(0, ' ');
  EXPECT_EQ(engine->GlyphHeight, 7) << "the program's own folder comes first";
  EXPECT_TRUE(platform.Log().empty());
}

TEST_F(FontLoadingTest, EachLineCountReadsItsOwnFile) {
  struct Case {
    uint8_t lines;
    const char* name;  // nullptr: no file is read
  };
  const Case cases[] = {{10, "Lumidot_10_v_1_00.bin"}, {16, "Lumidot_v_1_00.bin"},
                        {20, "Lumidot_1_02_20.bin"}, {12, nullptr}};
  uint8_t height = 3;
  for (const char* name : {"Lumidot_10_v_1_00.bin", "Lumidot_v_1_00.bin", "Lumidot_1_02_20.bin"}) {
    WriteFile(fs::path(folder.Path()) / name, FileWithOneBlock(5, height++));
  }
  platform.fontDirectories = {folder.Path()};
  for (const Case& c : cases) {
    auto fresh = std::make_shared<Tsiml>(platform);
    fresh->Lines = c.lines;
    fresh->LoadFontFile();
    fresh->RasterizeGlyph(' ');
    if (c.name) {
      EXPECT_EQ(fresh->LoadedFontPath, folder.Path() + "/" + c.name);
      EXPECT_EQ(fresh->GlyphHeight, c.lines == 10 ? 3 : c.lines == 16 ? 4 : 5) << int(c.lines);
    } else {
      EXPECT_TRUE(fresh->LoadedFontPath.empty());
      EXPECT_EQ(fresh->GlyphHeight, 0);
    }
  }
}

// Bad font files: whatever they hold, rasterizing any code of any font stays
// inside FontImage and the Cell, and a glyph that cannot be read whole has
// width 0 and height 0.
struct BadFile {
  const char* name;
  std::vector<uint8_t> (*make)();
  int font, code;
  uint32_t width;   // expected GlyphWidth of font/code
  uint8_t height;   // expected GlyphHeight
};

std::vector<uint8_t> EmptyFile() { return {}; }
std::vector<uint8_t> HalfAHeader() { return {0x00, 0x20, 0x00}; }
std::vector<uint8_t> TruncatedBlock() {
  std::vector<uint8_t> file = FileWithOneBlock(12, 16);
  file.resize(32 + 23 + 10 * 33);  // records of codes 0 to 9 only
  return file;
}
std::vector<uint8_t> OffsetsPastTheEnd() {
  std::vector<uint8_t> file(64, 0);
  for (int f = 0; f < 16; ++f) PutOffset(file, f, 0x8000 + f);
  return file;
}
// Blocks at the very end of the image: no room for the width and height
// bytes, or for all but the first records.
std::vector<uint8_t> BlockAtTheImageEnd() {
  std::vector<uint8_t> file(65536, 0);
  PutOffset(file, 0, 0xFFFF);
  PutOffset(file, 1, 0xFFEB);  // width byte is the last byte, height past it
  PutOffset(file, 2, 0xFF00);
  file[0xFF00 + 20] = 12;
  file[0xFF00 + 21] = 24;
  file[0xFF00 + 23] = 3;  // records of 49 bytes: codes 0 to 3 end inside, code 4 past the end
  file[0xFF00 + 24] = 0xE0;
  file[0xFFEB + 20] = 8;
  return file;
}
std::vector<uint8_t> HeightAbove24() {
  std::vector<uint8_t> file(32, 0);
  PutOffset(file, 0, 32);
  file.resize(32 + 23 + 256 * 201, 0xFF);
  file[32 + 20] = 8;
  file[32 + 21] = 200;
  for (std::size_t code = 0; code < 256; ++code) file[32 + 23 + code * 25] = 8;  // records of 1 + 24 bytes
  return file;
}
std::vector<uint8_t> LongerThanTheImage() {
  std::vector<uint8_t> file(70000, 0xFF);
  PutOffset(file, 0, 32);
  file[32 + 20] = 8;
  file[32 + 21] = 8;
  return file;
}

class BadFontFileTest : public FontLoadingTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadFontFileTest, StaysInsideEveryBuffer) {
  const BadFile& c = GetParam();
  Load(c.make());
  for (int font = 0; font < 16; ++font)
    for (int code = 0; code < 256; ++code) {
      std::memset(engine->Cell, 9, sizeof engine->Cell);
      Rasterize(static_cast<uint8_t>(font), static_cast<uint8_t>(code));
      ASSERT_LE(engine->GlyphWidth, 16u);
      ASSERT_LE(engine->GlyphHeight, 24);
    }
  Rasterize(static_cast<uint8_t>(c.font), static_cast<uint8_t>(c.code));
  EXPECT_EQ(engine->GlyphWidth, c.width);
  EXPECT_EQ(engine->GlyphHeight, c.height);
  EXPECT_TRUE(platform.Log().empty()) << "a file that was read is no missing file";
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFontFileTest,
    ::testing::Values(BadFile{"empty", EmptyFile, 0, 'A', 0, 0},
                      BadFile{"half_a_header", HalfAHeader, 0, 'A', 0, 0},
                      BadFile{"truncated_record_inside", TruncatedBlock, 0, 9, 10, 16},
                      BadFile{"truncated_record_cut_off", TruncatedBlock, 0, 10, 0, 16},
                      BadFile{"offsets_past_the_end", OffsetsPastTheEnd, 5, 'A', 0, 0},
                      BadFile{"block_without_width_byte", BlockAtTheImageEnd, 0, ' ', 0, 0},
                      BadFile{"block_without_height_byte", BlockAtTheImageEnd, 1, ' ', 0, 0},
                      BadFile{"first_record_at_the_end", BlockAtTheImageEnd, 2, 0, 3, 24},
                      BadFile{"record_past_the_image", BlockAtTheImageEnd, 2, 4, 0, 0},
                      BadFile{"height_above_24", HeightAbove24, 0, 255, 8, 24},
                      BadFile{"longer_than_the_image", LongerThanTheImage, 0, 'A', 16, 8}),
    [](const auto& info) { return std::string(info.param.name); });

// The rasterizer on its own, with guard bytes around the Cell: a height
// above 24 or a width above 16 must not write past the Cell's rows or
// columns.
TEST(RasterizeGlyphIntoTest, NeverWritesOutsideTheCell) {
  struct Guarded {
    uint8_t before[64];
    GlyphCell cell;
    uint8_t after[64];
  } g;
  std::memset(&g, 0x55, sizeof g);
  std::vector<uint8_t> image(kFontImageSize, 0xFF);
  image[20] = 16;   // two bytes per line
  image[21] = 255;  // height far above 24
  const uint32_t offsets[16] = {};
  TextAttr attr;
  attr.Ink = 3;
  uint32_t width = 0;
  uint8_t height = 0;
  RasterizeGlyphInto(image.data(), image.size(), offsets, attr, 'X', g.cell, width, height);

  EXPECT_EQ(width, 16u);
  EXPECT_EQ(height, 24);
  EXPECT_EQ(g.cell[23][15], 3);
  EXPECT_EQ(g.cell[23][16], 0x55);
  for (uint8_t b : g.before) ASSERT_EQ(b, 0x55);
  for (uint8_t b : g.after) ASSERT_EQ(b, 0x55);
}

}  // namespace
