#pragma once
// Steps of one layout pass shared by the pass itself (Layout.cpp) and the
// markup codes (LayoutCodes.cpp). Engine thread only; the caller holds
// FrameLock, as LayoutText's caller does.
#include <cstdint>

#include "Tsiml.h"

namespace layout {

// What an item did to the pass: it goes on, or it ran below the last
// shown row (or could make no more progress) and the pass is over.
enum class Flow { Go, End };

// The next byte of the text; TextIndex moves on by one. Positions at or
// beyond the end of TextBuffer read as 0x00.
uint8_t ReadByte(Tsiml& e);

// Columns of a row as the layout uses them: held inside one half-line of
// the frame buffer, so that every box, which begins at or before this
// column and is at most kMaxGlyphWidth wide, stays inside its slot.
uint32_t RowColumns(const Tsiml& e);

// True when the font of the last rasterization fills the whole row.
bool FontIsTall(const Tsiml& e);

// LineColumn of the current text line = Column; with a tall font the lower
// line of the row moves with it.
void RecordColumn(Tsiml& e);

// Draws character g at Column. When it does not fit on the row, blanks the
// box it would have taken, moves TextIndex back by `back` positions so the
// item is read again on the next line, and returns false.
bool GlyphStep(Tsiml& e, uint8_t g, uint32_t back);

// Goes on to the next text line (the next row for a tall font).
Flow LineChange(Tsiml& e);

// Handles the code whose '$' was just read: reads the code letter and its
// arguments.
Flow HandleCode(Tsiml& e);

}  // namespace layout
