// Arbitrary bytes through the whole road of a packet: the mailbox, the
// interpreter, layout passes (moving sections included), the planes and
// the window picture, on a geometry the input chooses. The steps of a tick
// are called one by one so the costly picture is made once per input.
//
// Input: byte 0 columns, byte 1 lines, byte 2 rows and colour, then
// packets separated by the byte 0x1E.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "FuzzPlatform.h"
#include "Moving/TNasun.h"
#include "Tsiml.h"

namespace {
const char* const kColumns[] = {"96", "120", "128", "144", "192", "240"};
const char* const kLines[] = {"10", "16", "20"};
const char* const kRows[] = {"1", "2", "3", "4"};

// A few column steps of each moving section the layout handed over: the
// first characters fed in, and the strip painted once they are.
void StepMovingText(FuzzPlatform& platform) {
  for (auto& thread : platform.started) {
    auto* moving = static_cast<TNasun*>(thread.get());
    for (uint32_t i = 0; i < moving->TextLength && i < 3; ++i) {
      moving->RasterizeGlyph(moving->Text[i]);
      for (uint32_t j = 0; j < moving->GlyphWidth; ++j) moving->ShiftStrip(j);
    }
    moving->PaintStep();
  }
  platform.started.clear();
}
}  // namespace

// Engines are made and started once per geometry and brought back to the
// start-up state for every input: a fresh engine object (and its planes)
// each time would cost far more than the work under test.
struct Sign {
  FuzzPlatform platform;
  std::shared_ptr<Tsiml> engine = std::make_shared<Tsiml>(platform);
  bool started = false;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static std::map<std::tuple<int, int, int>, std::unique_ptr<Sign>> signs;
  auto& slot = signs[{data[0] % 6, data[1] % 3, data[2] % 4}];
  if (!slot) slot = std::make_unique<Sign>();
  FuzzPlatform& platform = slot->platform;
  Tsiml* engine = slot->engine.get();
  platform.choices = {kColumns[data[0] % 6], kLines[data[1] % 3], kRows[data[2] % 4], false};
  platform.parameters = DeviceParameters{};
  if (!slot->started) {
    if (!engine->Begin()) return 0;
    slot->started = true;
  }
  // The start-up state, as Begin leaves it.
  engine->ColorEnabled = (data[2] & 0x80) ? 1 : 0;
  engine->ClearMode = (data[2] & 0x40) ? 76 : 0;
  engine->FlashPhase = 0;
  engine->PhaseTicks = engine->PhaseLimit = 0;
  engine->ClearFrames();
  engine->ShowStartUpText();
  engine->MoveIdle = 1;

  size_t start = 3;
  while (start <= size) {
    size_t end = start;
    while (end < size && data[end] != 0x1E) ++end;
    platform.mailbox.Publish({data + start, end - start});
    // Two layout passes per packet: the first may hand a moving section
    // over, the second must then skip it.
    engine->TakePacket();
    for (int pass = 0; pass < 2; ++pass) {
      engine->LayoutText();
      StepMovingText(platform);
    }
    start = end + 1;
  }
  // The picture of what the packets left, as one tick paints it.
  engine->UnpackPlanes();
  engine->StepFlashPhase();
  engine->PaintRows();
  engine->TakeSnapshot();
  return 0;
}
