// Arbitrary font-file bytes through the loader and the rasterizer, for
// every character code of every font slot.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "FuzzPlatform.h"
#include "Tsiml.h"

namespace {
std::string ScratchDirectory() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/lumidot-font-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dir = ScratchDirectory();
  const std::string path = dir + "/Lumidot_v_1_00.bin";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  FuzzPlatform platform;
  platform.fontDirectories = {dir};
  platform.choices.lines = "16";
  auto engine = std::make_unique<Tsiml>(platform);
  engine->Lines = 16;
  engine->LoadFontFile();
  for (int font = 0; font < 16; ++font) {
    engine->Attr = {static_cast<uint8_t>(font), 0, 2, 1};
    for (int code = 0; code < 256; ++code) {
      engine->RasterizeGlyph(static_cast<uint8_t>(code));
      if (engine->GlyphWidth > kMaxGlyphWidth || engine->GlyphHeight > kCellRows) __builtin_trap();
    }
  }
  return 0;
}
