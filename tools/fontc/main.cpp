// lumidot_fontc: packs BDF font sources into one font file of the sign.
//
//   lumidot_fontc -o FILE SLOT=SOURCE.bdf [SLOT=SOURCE.bdf ...]
//
// SLOT is the font number 0 to 15 that the source becomes. The file is
// written only when every source is sound; faults go to stderr and the
// exit status is 1.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "Bdf.h"
#include "FontFile.h"

namespace {

int Usage() {
  std::cerr << "usage: lumidot_fontc -o FILE SLOT=SOURCE.bdf [SLOT=SOURCE.bdf ...]\n";
  return 2;
}

int ParseSlot(const std::string& text) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    throw FontError("'" + text + "' is no font slot (0 to 15)");
  return std::stoi(text);
}

// Writes next to the target and renames, so a failed run never leaves half a file.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw FontError(temporary + ": cannot be written");
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    throw FontError(path + ": cannot be written");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  std::map<int, std::string> sources;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string arg = argv[i];
      if (arg == "-o") {
        if (++i == argc) return Usage();
        output = argv[i];
        continue;
      }
      const std::size_t eq = arg.find('=');
      if (eq == std::string::npos) return Usage();
      const int slot = ParseSlot(arg.substr(0, eq));
      if (slot > 15) throw FontError("'" + arg.substr(0, eq) + "' is no font slot (0 to 15)");
      if (!sources.emplace(slot, arg.substr(eq + 1)).second)
        throw FontError("font slot " + std::to_string(slot) + " is given twice");
    }
    if (output.empty() || sources.empty()) return Usage();

    std::map<int, fontfile::PackedFont> fonts;
    for (const auto& [slot, path] : sources) fonts[slot] = fontfile::PackFont(ReadBdfFile(path));
    WriteFile(output, fontfile::BuildFontFile(fonts));
    return 0;
  } catch (const FontError& e) {
    std::cerr << "lumidot_fontc: error: " << e.what() << "\n";
    return 1;
  }
}
