// lumidot_specimen: writes a specimen picture of every font of the given
// font files, and prints one line per font (file, slot, name, height).
//
//   lumidot_specimen OUTPUT_FOLDER FONT_FILE...
//
// The picture of font N of "X.bin" is OUTPUT_FOLDER/X-fontN.png.
#include <filesystem>
#include <iostream>

#include "Specimen.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: lumidot_specimen OUTPUT_FOLDER FONT_FILE...\n";
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  try {
    for (int i = 2; i < argc; ++i) {
      const std::filesystem::path path = argv[i];
      const SpecimenFontFile file = ReadSpecimenFontFile(path.string());
      for (int slot : DistinctFontSlots(file)) {
        const std::filesystem::path png =
            folder / (path.stem().string() + "-font" + std::to_string(slot) + ".png");
        if (!RenderSpecimen(file, slot).save(QString::fromStdString(png.string()), "PNG"))
          throw std::runtime_error(png.string() + ": cannot be written");
        std::cout << path.filename().string() << "\t" << slot << "\t" << FontName(file, slot) << "\t"
                  << FontHeight(file, slot) << "\n";
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "lumidot_specimen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
