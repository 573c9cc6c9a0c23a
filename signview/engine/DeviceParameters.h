#pragma once
#include <cstdint>

// The sign's emulated parameter memory. Lives with the main window, is
// changed by packet commands on the main thread and kept in section
// "EEPROM" of the settings file.
struct DeviceParameters {
  uint8_t Adresa = 127;
  int32_t JasStatus = 0;
  int32_t JasCount = 50;
  int32_t Paging = 0;
  int32_t ActualText = 0;
  int32_t NumberText = 0;
  int32_t Init = 0;
  int32_t Clear = 76;  // 'L': clear the frame after every packet
  int32_t Control = 0;
  int32_t FlashOn = 10;
  int32_t FlashOff = 5;
  int32_t SumaOff = 0;
  int32_t OdpovedOff = 0;

  bool operator==(const DeviceParameters&) const = default;
};
