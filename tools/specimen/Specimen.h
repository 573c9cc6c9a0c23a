#pragma once
// Specimen pictures of the sign's fonts, drawn from the font files as the
// engine's rasterizer draws them, so a picture always shows what ships.
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

// A font file read as the engine reads it: the image padded with zeros to
// the engine's size, and the 16 block offsets of its header.
struct SpecimenFontFile {
  std::vector<uint8_t> image;
  uint32_t offsets[16]{};
};

// Reads a font file; throws std::runtime_error when it cannot be read.
SpecimenFontFile ReadSpecimenFontFile(const std::string& path);

// The fonts a file really offers: slot 0 and every slot whose block is not
// font 0's (slots left unfilled point to font 0).
std::vector<int> DistinctFontSlots(const SpecimenFontFile& file);

// The font's name, from the unread bytes at the start of its block.
std::string FontName(const SpecimenFontFile& file, int slot);

// The font's height H, from its block.
int FontHeight(const SpecimenFontFile& file, int slot);

// A picture of font slot of file as an LED sign shows it: a heading, the
// printable ASCII characters, the letters of the code page and sample
// sentences in Czech, Slovak, Polish, Hungarian and German.
QImage RenderSpecimen(const SpecimenFontFile& file, int slot);
