#pragma once
// The moving-text thread: scrolls one section of the text from right to
// left through the rest of its text line, one column step at a time, and
// starts again after each pass until it is stopped.
#include <cstdint>
#include <memory>

#include "../Glyphs.h"
#include "../Thread.h"

class Tsiml;

class TNasun : public Thread {
public:
  // engine: the engine whose frame buffers the section is painted into; the
  // thread keeps it alive while it runs.
  explicit TNasun(std::shared_ptr<Tsiml> engine);

  // Until a stop is asked for: a 100 ms pause, then one pass.
  void Execute() override;
  // One pass over Text: for every glyph column a strip step, a paint step
  // and a 25 ms pause on this thread. Ends at once after a stop request.
  void RunPass();
  // One column step of the strip: every strip column moves one place to the
  // left and column `column` of the Cell comes in at the right (phase B gets
  // Attr.Paper instead when the section flashes).
  void ShiftStrip(uint32_t column);
  // Writes the strip into the Slot field of the engine's frame buffers,
  // pixel lines FirstLine..LastLine, columns MoveColumn on (under its
  // FrameLock). Writes nothing once a stop has been asked for, and nothing
  // outside the slot's half lines, whatever the copied fields hold.
  void PaintStep();
  void RasterizeGlyph(uint8_t code);

  // Copied from the engine when the section starts.
  TextAttr Attr{};
  GlyphCell Cell{};
  uint32_t GlyphWidth = 0;
  uint8_t GlyphHeight = 0;
  uint8_t FirstLine = 0;
  uint8_t LastLine = 0;
  uint8_t Slot = 0;
  uint32_t MoveColumn = 0;
  uint8_t Lines = 0;
  uint32_t Columns = 0;
  uint32_t TextLength = 0;
  uint8_t Strip[4096]{};  // 32 strip lines of 128 bytes: phase-A row, phase-B row
  uint8_t Text[4096]{};
  uint32_t FontOffsets[16]{};
  uint8_t FontImage[kFontImageSize]{};
  int32_t FrameIndex = 0;
  int32_t StripIndex = 0;

private:
  // Bytes per quarter of a strip row: Columns / 4, at most 64.
  uint32_t Quarter() const;

  std::shared_ptr<Tsiml> engine_;
};
