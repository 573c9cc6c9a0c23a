#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "QtPrinting.h"
#include "SenderSettings.h"

namespace {

class SenderSettingsTest : public testing::Test {
protected:
  SenderSettings Read(const std::string& fileText) {
    std::ofstream(path_, std::ios::binary) << fileText;
    SettingsFile file = SettingsFile::AtPath(path_);
    EXPECT_TRUE(file.Load());
    return ReadSenderSettings(file);
  }

  QTemporaryDir folder_;
  std::string path_ = folder_.filePath(QStringLiteral("signsend.INI")).toStdString();
};

TEST_F(SenderSettingsTest, ACountAboveTheStoredTextsGivesEmptyEntries) {
  const SenderSettings settings = Read("[PC]\nNo.1=4\n[TEXT]\n0=a\n2=c\n");
  EXPECT_EQ(settings.texts, QStringList({"a", "", "c", ""}));
  EXPECT_EQ(settings.ipAddress, "192.168.0.1");
  EXPECT_EQ(settings.port, "10001");
}

TEST_F(SenderSettingsTest, ADamagedCountCannotMakeTheListEndless) {
  EXPECT_EQ(Read("[PC]\nNo.1=2147483647\n").texts.size(), kMaxStoredTexts);
  EXPECT_TRUE(Read("[PC]\nNo.1=-3\n").texts.isEmpty());
  EXPECT_TRUE(Read("[PC]\nNo.1=many\n").texts.isEmpty());
}

TEST_F(SenderSettingsTest, TextsAreUtf8OrTheWindowsCodePageOfAnOlderFile) {
  // "Čau" written by a Windows sender is the bytes C8 61 75.
  const SenderSettings settings = Read("[PC]\nNo.1=2\n[TEXT]\n0=\xC8" "au\n1=Čau\n");
  EXPECT_EQ(settings.texts, QStringList({"Čau", "Čau"}));

  SettingsFile file = SettingsFile::AtPath(path_);
  WriteSenderSettings(file, settings);
  ASSERT_EQ(file.Save(), std::nullopt);
  SettingsFile again = SettingsFile::AtPath(path_);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetString("TEXT", "0", ""), "Čau");
}

}  // namespace
