#include "TerminalView.h"

namespace {
// Foreground codes of dark, red, green, yellow; background is + 10.
constexpr int kForeground[4] = {30, 91, 92, 93};
}  // namespace

std::string RenderTerminal(const EngineSnapshot& s) {
  std::string out = "\x1b[H";
  const bool phaseA = s.flashPhase == 1;
  for (int r = 0; r < s.rows; ++r) {
    for (int line = 0; line < s.lines; line += 2) {
      int lastFg = -1, lastBg = -1;
      for (int c = 0; c < s.columns; ++c) {
        const int upper = s.Led(phaseA, r, line, c) & 3;
        const int lower = line + 1 < s.lines ? s.Led(phaseA, r, line + 1, c) & 3 : 0;
        const int fg = kForeground[upper], bg = kForeground[lower] + 10;
        if (fg != lastFg || bg != lastBg) {
          out += "\x1b[" + std::to_string(fg) + ';' + std::to_string(bg) + 'm';
          lastFg = fg;
          lastBg = bg;
        }
        out += "\u2580";
      }
      out += "\x1b[0m\n";
    }
    out += '\n';
  }
  return out;
}
