#pragma once
// What one tick of the engine showed and held, copied on the engine thread
// at the end of the tick, for views that look at the sign from outside
// (picture files, the HTTP view, the terminal).
#include <cstdint>
#include <vector>

struct EngineSnapshot {
  int32_t columns = 0;
  uint8_t lines = 0;
  uint8_t rows = 0;
  bool color = false;
  uint8_t flashPhase = 0;  // 1: phase A shown, 0: phase B
  bool moving = false;     // a moving section runs
  uint64_t tick = 0;       // ticks run since the engine started
  uint8_t text[1024]{};
  uint8_t variables[10][20]{};
  // Colour codes (0-3) of every shown LED in each flash phase, row by row
  // from the top: index (row × lines + line) × columns + column.
  std::vector<uint8_t> ledsA;
  std::vector<uint8_t> ledsB;

  uint8_t Led(bool phaseA, int row, int line, int column) const {
    const auto& leds = phaseA ? ledsA : ledsB;
    return leds[(static_cast<std::size_t>(row) * lines + line) * columns + column];
  }
};
