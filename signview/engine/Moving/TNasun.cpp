#include "TNasun.h"

#include "../Tsiml.h"

TNasun::TNasun(std::shared_ptr<Tsiml> engine) : engine_(std::move(engine)) {}

void TNasun::Execute() {}
void TNasun::RunPass() {}
void TNasun::ShiftStrip(uint32_t) {}
void TNasun::PaintStep() {}

void TNasun::RasterizeGlyph(uint8_t code) {
  RasterizeGlyphInto(FontImage, sizeof FontImage, FontOffsets, Attr, code, Cell, GlyphWidth,
                     GlyphHeight);
}
