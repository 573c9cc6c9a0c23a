#pragma once
// The sign drawn in a terminal: two LED lines per character cell with the
// upper half block, foreground the upper LED and background the lower one,
// in the terminal's basic colours.
#include <string>

#include "EngineSnapshot.h"

// One whole frame: cursor home, every sign row, a blank line between rows.
std::string RenderTerminal(const EngineSnapshot& snapshot);
