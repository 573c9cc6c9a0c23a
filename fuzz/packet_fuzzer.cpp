// Arbitrary bytes through the whole road of a packet: the mailbox, the
// interpreter, several ticks of layout (moving sections included), the
// planes and the window picture, on a geometry the input chooses.
//
// Input: byte 0 columns, byte 1 lines, byte 2 rows and colour, then
// packets separated by the byte 0x1E.
#include <cstdint>
#include <cstring>
#include <memory>

#include "FuzzPlatform.h"
#include "Moving/TNasun.h"
#include "Tsiml.h"

namespace {
const char* const kColumns[] = {"96", "120", "128", "144", "192", "240"};
const char* const kLines[] = {"10", "16", "20"};
const char* const kRows[] = {"1", "2", "3", "4"};

// A few column steps of each moving section the layout handed over.
void StepMovingText(FuzzPlatform& platform) {
  for (auto& thread : platform.started) {
    auto* moving = static_cast<TNasun*>(thread.get());
    for (uint32_t i = 0; i < moving->TextLength && i < 6; ++i) {
      moving->RasterizeGlyph(moving->Text[i]);
      for (uint32_t j = 0; j < moving->GlyphWidth; ++j) {
        moving->ShiftStrip(j);
        moving->PaintStep();
      }
    }
  }
  platform.started.clear();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  FuzzPlatform platform;
  platform.choices = {kColumns[data[0] % 6], kLines[data[1] % 3], kRows[data[2] % 4],
                      (data[2] & 0x80) != 0};
  platform.parameters.Clear = (data[2] & 0x40) ? 76 : 0;
  auto engine = std::make_shared<Tsiml>(platform);
  if (!engine->Begin()) return 0;

  size_t start = 3;
  while (start <= size) {
    size_t end = start;
    while (end < size && data[end] != 0x1E) ++end;
    platform.mailbox.Publish({data + start, end - start});
    for (int tick = 0; tick < 3; ++tick) {
      engine->Tick();
      StepMovingText(platform);
    }
    start = end + 1;
  }
  engine->End();
  return 0;
}
