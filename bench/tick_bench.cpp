// One tick's engine work (layout, planes, the window picture) with a screen
// full of coloured text, beside a plain copy of the picture's bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

struct Geometry {
  const char* columns;
  const char* lines;
  const char* rows;
};
const Geometry kGeometries[] = {{"96", "10", "1"}, {"240", "20", "4"}};

// Keeps nothing of the picture (the window's copy is the shell's cost) and
// looks for the font files next to this program, where the build puts them.
class BenchPlatform : public TestPlatform {
 public:
  BenchPlatform() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) fontDirectories = {exe.parent_path().string()};
  }
  void Present(const ClientPicture&) override {}
};

// A font for when no font file is found: glyphs 6 columns wide and half a
// row high, with a fixed pattern of ink.
void InstallMemoryFont(Tsiml& e) {
  const uint32_t block = 32;
  const int height = e.Lines / 2;
  std::memset(e.FontImage, 0, sizeof e.FontImage);
  e.FontImage[block + 20] = 8;
  e.FontImage[block + 21] = static_cast<uint8_t>(height);
  for (int code = 0; code < 256; ++code) {
    uint8_t* record = e.FontImage + block + 23 + code * (1 + height);
    record[0] = 6;
    for (int y = 0; y < height; ++y)
      record[1 + y] = static_cast<uint8_t>((code * 37 + y * 11) & 0xF8);
  }
  for (uint32_t& offset : e.FontOffsets) offset = block;
}

// About a thousand bytes of text in three ink colours: more than the
// largest display holds.
void FillScreenWithText(Tsiml& e) {
  const std::string words = "$C1The quick $C2brown fox $C3jumps over $C1the lazy dog 0123456789 ";
  std::string text;
  while (text.size() + words.size() < sizeof e.TextBuffer) text += words;
  std::memset(e.TextBuffer, 0, sizeof e.TextBuffer);
  std::memcpy(e.TextBuffer, text.data(), text.size());
}

int LitLeds(const Tsiml& e) {
  int lit = 0;
  for (uint8_t byte : e.FrameA)
    for (int shift = 0; shift < 8; shift += 2) lit += (byte >> shift & 3) != 0;
  return lit;
}

void TickWork(Tsiml& e) {
  {
    std::lock_guard lock(e.FrameLock);
    e.LayoutText();
    e.UnpackPlanes();
  }
  e.StepFlashPhase();
  e.PaintRows();
  e.PhaseTicks = e.PhaseTicks + 1;
}

std::size_t PictureBytes(const Geometry& g) {
  const int columns = std::stoi(g.columns), lines = std::stoi(g.lines), rows = std::stoi(g.rows);
  const std::size_t width = 2 * columns * 2 + 6;
  const std::size_t height = rows * (2 * lines + 2) * 2 + 5;
  return width * height * sizeof(uint32_t);
}

std::string Name(const Geometry& g) {
  return std::string(g.columns) + "x" + g.lines + "x" + g.rows;
}

// An engine of geometry g started on platform, with a screen full of text
// laid out once; null when it did not start.
std::shared_ptr<Tsiml> StartEngine(BenchPlatform& platform, const Geometry& g, bool& shippedFont) {
  platform.choices = {g.columns, g.lines, g.rows, true};
  auto e = std::make_shared<Tsiml>(platform);
  if (!e->Begin()) return nullptr;
  shippedFont = !e->LoadedFontPath.empty();
  if (!shippedFont) InstallMemoryFont(*e);
  FillScreenWithText(*e);
  TickWork(*e);
  return e;
}

void BM_Tick(benchmark::State& state) {
  const Geometry& g = kGeometries[state.range(0)];
  BenchPlatform platform;
  bool shipped = false;
  auto e = StartEngine(platform, g, shipped);
  if (!e) {
    state.SkipWithError("the engine did not start");
    return;
  }
  for (auto _ : state) {
    TickWork(*e);
    benchmark::DoNotOptimize(e->Picture.pixels.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(Name(g) + (shipped ? " shipped font" : " font built in memory"));
  state.counters["lit_leds"] = LitLeds(*e);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * PictureBytes(g)));
}

// The three steps of the tick one by one, at 240 x 20 x 4: 0 layout,
// 1 planes, 2 window picture.
void BM_TickStep(benchmark::State& state) {
  const Geometry& g = kGeometries[1];
  BenchPlatform platform;
  bool shipped = false;
  auto e = StartEngine(platform, g, shipped);
  if (!e) {
    state.SkipWithError("the engine did not start");
    return;
  }
  const int64_t step = state.range(0);
  for (auto _ : state) {
    if (step == 0) e->LayoutText();
    if (step == 1) e->UnpackPlanes();
    if (step == 2) e->PaintRows();
    benchmark::ClobberMemory();
  }
  state.SetLabel(Name(g) + (step == 0   ? " LayoutText"
                            : step == 1 ? " UnpackPlanes"
                                        : " PaintRows"));
}

// The floor: copying as many bytes as the window picture holds.
void BM_CopyPicture(benchmark::State& state) {
  const Geometry& g = kGeometries[state.range(0)];
  const std::size_t bytes = PictureBytes(g);
  std::vector<uint8_t> from(bytes, 0x80), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetLabel(Name(g) + " " + std::to_string(bytes) + " bytes");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK(BM_Tick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickStep)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
