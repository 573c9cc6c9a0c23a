#include "SimulatorSettings.h"

#include "SettingsFile.h"

namespace {
const std::string kPC = "PC";
const std::string kEeprom = "EEPROM";

template <std::size_t N>
std::string ItemText(const std::array<std::string_view, N>& items, int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return {};
  return std::string(items[static_cast<std::size_t>(index)]);
}
}  // namespace

SimulatorSettings ReadSimulatorSettings(const SettingsFile& file) {
  SimulatorSettings s;
  s.remote = file.GetInteger(kPC, "Remote", s.remote);
  s.columns = file.GetInteger(kPC, "Columns", s.columns);
  s.line = file.GetInteger(kPC, "Line", s.line);
  s.rows = file.GetInteger(kPC, "Rows", s.rows);
  s.color = file.GetBool(kPC, "Color", s.color);

  DeviceParameters& p = s.eeprom;
  p.Adresa = static_cast<uint8_t>(file.GetInteger(kEeprom, "ADRESA", p.Adresa) & 0xFF);
  p.JasStatus = file.GetInteger(kEeprom, "JASSTATUS", p.JasStatus);
  p.JasCount = file.GetInteger(kEeprom, "JASCOUNT", p.JasCount);
  p.Paging = file.GetInteger(kEeprom, "PAGING", p.Paging);
  p.ActualText = file.GetInteger(kEeprom, "ACTUALTEXT", p.ActualText);
  p.NumberText = file.GetInteger(kEeprom, "NUMBERTEXT", p.NumberText);
  p.Init = file.GetInteger(kEeprom, "INIT", p.Init);
  p.Clear = file.GetInteger(kEeprom, "CLEAR", p.Clear);
  p.Control = file.GetInteger(kEeprom, "CONTROL", p.Control);
  p.FlashOn = file.GetInteger(kEeprom, "FLASHON", p.FlashOn);
  p.FlashOff = file.GetInteger(kEeprom, "FLASHOFF", p.FlashOff);
  p.SumaOff = file.GetInteger(kEeprom, "SUMAOFF", p.SumaOff);
  p.OdpovedOff = file.GetInteger(kEeprom, "ODPOVEDOFF", p.OdpovedOff);
  return s;
}

void WriteSimulatorSettings(SettingsFile& file, const SimulatorSettings& s) {
  file.SetInteger(kPC, "Remote", s.remote);
  file.SetInteger(kPC, "Columns", s.columns);
  file.SetInteger(kPC, "Line", s.line);
  file.SetInteger(kPC, "Rows", s.rows);
  file.SetBool(kPC, "Color", s.color);

  const DeviceParameters& p = s.eeprom;
  file.SetInteger(kEeprom, "ADRESA", p.Adresa);
  file.SetInteger(kEeprom, "JASSTATUS", p.JasStatus);
  file.SetInteger(kEeprom, "JASCOUNT", p.JasCount);
  file.SetInteger(kEeprom, "PAGING", p.Paging);
  file.SetInteger(kEeprom, "ACTUALTEXT", p.ActualText);
  file.SetInteger(kEeprom, "NUMBERTEXT", p.NumberText);
  file.SetInteger(kEeprom, "INIT", p.Init);
  file.SetInteger(kEeprom, "CLEAR", p.Clear);
  file.SetInteger(kEeprom, "CONTROL", p.Control);
  file.SetInteger(kEeprom, "FLASHON", p.FlashOn);
  file.SetInteger(kEeprom, "FLASHOFF", p.FlashOff);
  file.SetInteger(kEeprom, "SUMAOFF", p.SumaOff);
  file.SetInteger(kEeprom, "ODPOVEDOFF", p.OdpovedOff);
}

DisplayChoices ChoicesOf(const SimulatorSettings& s) {
  return {ItemText(kColumnItems, s.columns), ItemText(kLineItems, s.line), ItemText(kRowItems, s.rows),
          s.color};
}
