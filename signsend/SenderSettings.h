#pragma once
// The sender's settings file "signsend.INI": the peer's address and port
// (section "PC") and the history of sent texts (section "TEXT", keys "0",
// "1", … with their count in "PC"/"No.1").
#include <QString>
#include <QStringList>

#include "SettingsFile.h"

struct SenderSettings {
  QString ipAddress = QStringLiteral("192.168.0.1");
  QString port = QStringLiteral("10001");
  QStringList texts;
};

// A "No.1" above this is taken as this many texts, so a damaged file cannot
// make the program fill its list for ever.
inline constexpr int kMaxStoredTexts = 10000;

// The settings in a loaded file; missing keys give the defaults above, a
// missing text key an empty text. Texts are read as UTF-8, or as
// Windows-1250 when they are no valid UTF-8 (a file from a Windows sender).
SenderSettings ReadSenderSettings(const SettingsFile& file);

// Puts settings into file (texts as UTF-8); text keys beyond the count
// already in the file are left as they are. Does not save.
void WriteSenderSettings(SettingsFile& file, const SenderSettings& settings);
