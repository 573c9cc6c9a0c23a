// The simulator's settings file: what each stored text reads as, and what
// a write leaves in the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QTemporaryDir>

#include "SettingsFile.h"
#include "SimulatorSettings.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SimulatorSettingsTest : public testing::Test {
protected:
  std::string Path() const { return dir.filePath("signview.INI").toStdString(); }
  SimulatorSettings ReadFrom(const std::string& content) {
    std::ofstream(Path(), std::ios::binary) << content;
    SettingsFile file = SettingsFile::AtPath(Path());
    EXPECT_TRUE(file.Load());
    return ReadSimulatorSettings(file);
  }
  QTemporaryDir dir;
};

TEST_F(SimulatorSettingsTest, WithoutAFileEveryValueIsItsDefault) {
  SettingsFile file = SettingsFile::AtPath(Path());
  ASSERT_TRUE(file.Load());
  const SimulatorSettings s = ReadSimulatorSettings(file);
  EXPECT_EQ(s.remote, 10001);
  EXPECT_EQ(s.columns, 0);
  EXPECT_EQ(s.line, 0);
  EXPECT_EQ(s.rows, 0);
  EXPECT_FALSE(s.color);
  const DeviceParameters& p = s.eeprom;
  EXPECT_EQ(p.Adresa, 127);
  EXPECT_EQ(p.JasStatus, 0);
  EXPECT_EQ(p.JasCount, 50);
  EXPECT_EQ(p.Paging, 0);
  EXPECT_EQ(p.ActualText, 0);
  EXPECT_EQ(p.NumberText, 0);
  EXPECT_EQ(p.Init, 0);
  EXPECT_EQ(p.Clear, 76);
  EXPECT_EQ(p.Control, 0);
  EXPECT_EQ(p.FlashOn, 10);
  EXPECT_EQ(p.FlashOff, 5);
  EXPECT_EQ(p.SumaOff, 0);
  EXPECT_EQ(p.OdpovedOff, 0);
  const DisplayChoices choices = ChoicesOf(s);
  EXPECT_EQ(choices.columns, "96");
  EXPECT_EQ(choices.lines, "10");
  EXPECT_EQ(choices.rows, "1");
}

TEST_F(SimulatorSettingsTest, StoredTextsReadAsTheFileRulesSay) {
  struct Case {
    const char* content;
    std::function<int64_t(const SimulatorSettings&)> field;
    int64_t expected;
  };
  auto jasCount = [](const SimulatorSettings& s) { return int64_t{s.eeprom.JasCount}; };
  auto adresa = [](const SimulatorSettings& s) { return int64_t{s.eeprom.Adresa}; };
  auto remote = [](const SimulatorSettings& s) { return int64_t{s.remote}; };
  auto color = [](const SimulatorSettings& s) { return int64_t{s.color}; };
  const Case cases[] = {
      {"[EEPROM]\nJASCOUNT=0x1F\n", jasCount, 31},
      {"[EEPROM]\nJASCOUNT=0X1F\n", jasCount, 31},
      {"[EEPROM]\nJASCOUNT=$1F\n", jasCount, 31},
      {"[EEPROM]\nJASCOUNT=abc\n", jasCount, 50},
      {"[EEPROM]\nJASCOUNT=\n", jasCount, 50},
      {"[EEPROM]\nJASCOUNT=-7\n", jasCount, -7},
      {"[EEPROM]\nADRESA=300\n", adresa, 44},
      {"[EEPROM]\nADRESA=-1\n", adresa, 255},
      {"[PC]\nRemote=10002\n", remote, 10002},
      {"[PC]\nRemote=port\n", remote, 10001},
      {"[PC]\nColor=1\n", color, 1},
      {"[PC]\nColor=5\n", color, 1},
      {"[PC]\nColor=0\n", color, 0},
      {"[PC]\nColor=yes\n", color, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.field(ReadFrom(c.content)), c.expected) << c.content;
}

TEST_F(SimulatorSettingsTest, StoredItemIndexesChooseTheListItems) {
  struct Case {
    const char* content;
    DisplayChoices expected;
  };
  const Case cases[] = {
      {"[PC]\nColumns=2\n", {"128", "10", "1", false}},
      {"[PC]\nColumns=5\nLine=2\nRows=3\nColor=1\n", {"240", "20", "4", true}},
      {"[PC]\nColumns=6\n", {"", "10", "1", false}},  // outside the list: nothing chosen
      {"[PC]\nLine=-1\n", {"96", "", "1", false}},
      {"[PC]\nRows=4\n", {"96", "10", "", false}},
  };
  for (const Case& c : cases) {
    const DisplayChoices got = ChoicesOf(ReadFrom(c.content));
    EXPECT_EQ(got.columns, c.expected.columns) << c.content;
    EXPECT_EQ(got.lines, c.expected.lines) << c.content;
    EXPECT_EQ(got.rows, c.expected.rows) << c.content;
    EXPECT_EQ(got.color, c.expected.color) << c.content;
  }
}

TEST_F(SimulatorSettingsTest, AWriteStoresEveryKeyInOrderAndKeepsUnknownOnes) {
  std::ofstream(Path(), std::ios::binary)
      << "[PC]\nRemote=10001\nWindowLeft=40\n[EEPROM]\nADRESA=300\n[Extra]\nNote=kept\n";
  SettingsFile file = SettingsFile::AtPath(Path());
  ASSERT_TRUE(file.Load());
  SimulatorSettings s = ReadSimulatorSettings(file);
  EXPECT_EQ(s.eeprom.Adresa, 44);
  s.remote = 10005;
  s.columns = 4;
  s.color = true;
  s.eeprom.FlashOn = 5;
  s.eeprom.FlashOff = 15;
  WriteSimulatorSettings(file, s);
  ASSERT_EQ(file.Save(), std::nullopt);

  const std::string text = ReadText(Path());
  const char* inOrder[] = {"[PC]",        "Remote=10005",  "Columns=4",    "Line=0",     "Rows=0",
                           "Color=1",     "[EEPROM]",      "ADRESA=44",    "JASSTATUS=0", "JASCOUNT=50",
                           "PAGING=0",    "ACTUALTEXT=0",  "NUMBERTEXT=0", "INIT=0",     "CLEAR=76",
                           "CONTROL=0",   "FLASHON=5",     "FLASHOFF=15",  "SUMAOFF=0",  "ODPOVEDOFF=0"};
  std::size_t at = 0;
  for (const char* line : inOrder) {
    const std::size_t found = text.find(std::string(line) + "\n", at);
    ASSERT_NE(found, std::string::npos) << line << " missing or out of order in\n" << text;
    at = found;
  }
  EXPECT_NE(text.find("WindowLeft=40\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Extra]\nNote=kept\n"), std::string::npos) << text;

  SettingsFile again = SettingsFile::AtPath(Path());
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(ReadSimulatorSettings(again), s);
}

}  // namespace
