// Font files: one per row height, read whole into FontImage.
#include <cstdio>
#include <cstring>

#include "Tsiml.h"

namespace {
const char* FontFileName(uint8_t lines) {
  switch (lines) {
    case 10: return "Lumidot_10_v_1_00.bin";
    case 16: return "Lumidot_v_1_00.bin";
    case 20: return "Lumidot_1_02_20.bin";
    default: return nullptr;
  }
}
}  // namespace

void Tsiml::LoadFontFile() {
  LoadedFontPath.clear();
  const char* name = FontFileName(Lines);
  if (!name) return;

  for (const std::string& dir : platform_.FontDirectories()) {
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) continue;
    std::memset(FontImage, 0, sizeof FontImage);
    const std::size_t got = std::fread(FontImage, 1, sizeof FontImage, f);
    (void)got;  // a short file leaves the rest of the image zero
    const bool unreadable = std::ferror(f) != 0;  // e.g. a folder of that name
    std::fclose(f);
    if (unreadable) {
      std::memset(FontImage, 0, sizeof FontImage);
      continue;
    }
    for (int i = 0; i < 16; ++i) FontOffsets[i] = FontImage[2 * i] * 256u + FontImage[2 * i + 1];
    LoadedFontPath = path;
    return;
  }
  // The sign stays dark without its font: say why, once per start.
  platform_.AppendLog(std::string("Font file ") + name + " could not be read; the display stays dark");
}

void Tsiml::RasterizeGlyph(uint8_t code) {
  RasterizeGlyphInto(FontImage, sizeof FontImage, FontOffsets, Attr, code, Cell, GlyphWidth,
                     GlyphHeight);
}
