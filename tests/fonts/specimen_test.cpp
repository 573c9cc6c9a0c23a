// The specimen pictures in fonts/specimens show what ships: each equals a
// fresh drawing of its font from the built font file, and there is one per
// font of every file. When a font changes, remake them with
//   cmake --build <build> --target lumidot_specimens
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <set>
#include <string>

#include "Specimen.h"

namespace {

namespace fs = std::filesystem;

const char* const kFiles[] = {"Lumidot_10_v_1_00", "Lumidot_v_1_00", "Lumidot_1_02_20"};

TEST(SpecimenTest, EveryFontHasAnUpToDatePicture) {
  std::set<fs::path> expected;
  for (const char* name : kFiles) {
    const SpecimenFontFile file =
        ReadSpecimenFontFile(std::string(LUMIDOT_FONT_DIR) + "/" + name + ".bin");
    for (int slot : DistinctFontSlots(file)) {
      const fs::path png =
          fs::path(LUMIDOT_SPECIMEN_DIR) / (std::string(name) + "-font" + std::to_string(slot) + ".png");
      expected.insert(png);
      const QImage committed(QString::fromStdString(png.string()));
      ASSERT_FALSE(committed.isNull()) << png << " is missing; build the target lumidot_specimens";
      EXPECT_TRUE(committed.convertToFormat(QImage::Format_RGB32) == RenderSpecimen(file, slot))
          << png << " is out of date; build the target lumidot_specimens";
    }
  }
  for (const auto& entry : fs::directory_iterator(LUMIDOT_SPECIMEN_DIR))
    EXPECT_TRUE(expected.count(entry.path())) << entry.path() << " shows no shipped font";
}

TEST(SpecimenTest, APictureShowsTheFontsOwnGlyphs) {
  const SpecimenFontFile file = ReadSpecimenFontFile(std::string(LUMIDOT_FONT_DIR) + "/Lumidot_v_1_00.bin");
  const QImage regular = RenderSpecimen(file, 0), bold = RenderSpecimen(file, 1);
  EXPECT_EQ(FontName(file, 1), "Bold 8x16");
  EXPECT_EQ(FontHeight(file, 3), 8);
  EXPECT_FALSE(regular.isNull());
  EXPECT_NE(regular, bold);
  EXPECT_GT(regular.height(), 13 * 16 * 3) << "thirteen lines of 16 LEDs, 3 pixels each";
}

}  // namespace
