#include "SenderSettings.h"

#include <QStringDecoder>
#include <algorithm>
#include <span>

#include "CodePage1250.h"

namespace {

const std::string kPc = "PC";
const std::string kText = "TEXT";

QString FromFileText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  const std::u32string decoded = DecodeCp1250(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return QString::fromStdU32String(decoded);
}

}  // namespace

SenderSettings ReadSenderSettings(const SettingsFile& file) {
  SenderSettings settings;
  settings.ipAddress = FromFileText(file.GetString(kPc, "IPAddress", settings.ipAddress.toStdString()));
  settings.port = FromFileText(file.GetString(kPc, "Port", settings.port.toStdString()));
  const int count = std::clamp(file.GetInteger(kPc, "No.1", 0), 0, kMaxStoredTexts);
  for (int i = 0; i < count; ++i) {
    settings.texts.append(FromFileText(file.GetString(kText, std::to_string(i), "")));
  }
  return settings;
}

void WriteSenderSettings(SettingsFile& file, const SenderSettings& settings) {
  file.SetString(kPc, "IPAddress", settings.ipAddress.toStdString());
  file.SetString(kPc, "Port", settings.port.toStdString());
  file.SetInteger(kPc, "No.1", static_cast<int32_t>(settings.texts.size()));
  for (qsizetype i = 0; i < settings.texts.size(); ++i) {
    file.SetString(kText, std::to_string(i), settings.texts[i].toStdString());
  }
}
