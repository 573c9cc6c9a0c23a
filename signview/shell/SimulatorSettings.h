#pragma once
// The simulator's settings file "signview.INI": section "PC" (the main
// window's port edit, display type and colour switch) and section "EEPROM"
// (the sign's parameter memory). This maps between the file and a plain
// struct; the main window maps between the struct and its controls.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "DeviceParameters.h"
#include "EnginePlatform.h"

class SettingsFile;

// Items of the display-type lists; the file stores the index of the chosen
// item, not the number.
inline constexpr std::array<std::string_view, 6> kColumnItems{"96", "120", "128", "144", "192", "240"};
inline constexpr std::array<std::string_view, 3> kLineItems{"10", "16", "20"};
inline constexpr std::array<std::string_view, 4> kRowItems{"1", "2", "3", "4"};

struct SimulatorSettings {
  int32_t remote = 10001;  // the port edit's number
  int32_t columns = 0;     // item indexes; -1 or any other value outside
  int32_t line = 0;        // its list means nothing is chosen
  int32_t rows = 0;
  bool color = false;
  DeviceParameters eeprom;

  bool operator==(const SimulatorSettings&) const = default;
};

// Reads both sections from a loaded file; missing keys and texts that are
// no number give the defaults above; ADRESA keeps its low 8 bits.
SimulatorSettings ReadSimulatorSettings(const SettingsFile& file);

// Puts every key of both sections into file, in the file's key order
// (saving is the caller's step). Keys the program does not know stay.
void WriteSimulatorSettings(SettingsFile& file, const SimulatorSettings& settings);

// The display choices that the stored item indexes select; an index outside
// its list gives an empty text, on which the engine does not start.
DisplayChoices ChoicesOf(const SimulatorSettings& settings);
