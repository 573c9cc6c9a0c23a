// The whole simulator in one process: the main window's start, the
// settings it reads and writes, "Update" and the engines it starts, packets
// over loopback TCP into the log and onto the sign, and the program's end.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "Packet.h"
#include "ShellTestSupport.h"
#include "SignviewProgram.h"
#include "StopSignals.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

const QRegularExpression kStampLine(R"(^\d\d\.\d\d\.\d{4}  \d\d:\d\d:\d\d -> Read String \[Hex\]:$)");

std::vector<uint8_t> Packet(const std::string& payload, uint8_t address = kBroadcastAddress) {
  return BuildPacket(std::span(reinterpret_cast<const uint8_t*>(payload.data()), payload.size()), address);
}

std::string ShownText(const EngineSnapshot& s) { return reinterpret_cast<const char*>(s.text); }

class ProgramTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  void TearDown() override {
    program.reset();  // stops and joins everything
  }

  std::string IniPath() const { return dir.filePath("signview.INI").toStdString(); }
  void WriteIni(const std::string& text) { std::ofstream(iniPath, std::ios::binary) << text; }
  std::string IniText() const {
    std::ifstream in(iniPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Makes the program on the settings file at iniPath (not shown yet).
  void Make() {
    program = std::make_unique<SignviewProgram>([this] { return SettingsFile::AtPath(iniPath); });
    Form().SetMessageBox([this](const QString& text) { messages << text; });
    Form().SetUpdatePause(20);
    QObject::connect(program.get(), &SignviewProgram::finished, [this] { finished = true; });
  }
  // Makes and starts the program listening on a free port, after the given
  // settings lines.
  void StartOnFreePort(const std::string& settings = "") {
    port = FreePort();
    ASSERT_NE(port, 0);
    WriteIni("[PC]\nRemote=" + std::to_string(port) + "\n" + settings);
    Make();
    program->Start();
    ASSERT_TRUE(WaitUntil([&] { return program->Intake().Port() == port; }));
  }

  TMainForm& Form() { return program->MainForm(); }
  QStringList LogLines() {
    program->Log().Flush();
    const QString text = Form().Memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  }
  bool WaitForLog(const QString& line) {
    return WaitUntil([&] { return LogLines().contains(line); });
  }

  // Presses "Update" and waits for the new engine's first tick.
  void UpdateAndWaitForTheSign() {
    Form().Button1->click();
    ASSERT_TRUE(WaitUntil([&] { return program->Simulator().isVisible() && program->Simulator().Engine(); }));
    auto engine = program->Simulator().Engine();
    ASSERT_TRUE(WaitUntil([&] { return engine->TickCount.load() > 0; }));
  }

  QTemporaryDir dir;
  std::string iniPath = IniPath();
  std::unique_ptr<SignviewProgram> program;
  QStringList messages;
  bool finished = false;
  quint16 port = 0;
};

TEST_F(ProgramTest, WithoutASettingsFileEveryChoiceIsItsDefault) {
  Make();
  EXPECT_EQ(Form().LabeledEdit->text(), "10001");
  EXPECT_EQ(Form().ComboBox1->currentText(), "96");
  EXPECT_EQ(Form().ComboBox2->currentText(), "10");
  EXPECT_EQ(Form().ComboBox3->currentText(), "1");
  EXPECT_FALSE(Form().CheckBox1->isChecked());
  EXPECT_EQ(Form().Parameters(), DeviceParameters{});
  EXPECT_TRUE(LogLines().isEmpty());

  // The first close makes the file, with both sections and all 18 keys.
  ASSERT_TRUE(Form().close());
  EXPECT_TRUE(finished);
  const std::string text = IniText();
  EXPECT_NE(text.find("[PC]"), std::string::npos);
  EXPECT_NE(text.find("[EEPROM]"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '='), 18) << text;
  EXPECT_NE(text.find("Remote=10001\n"), std::string::npos);
  EXPECT_NE(text.find("ADRESA=127\n"), std::string::npos);
}

TEST_F(ProgramTest, AfterStartOnlyTheMainWindowShowsWithAnEmptyLog) {
  StartOnFreePort();
  TMainForm& f = Form();
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(f.windowTitle(), "Orvane Lumidot Simulator");
  EXPECT_EQ(f.size(), QSize(632, 422));
  EXPECT_EQ(f.GroupBox1->title(), "Display Type:");
  EXPECT_EQ(f.Label1->text(), "No. of Columns:");
  EXPECT_EQ(f.Label2->text(), "No. of Lines:");
  EXPECT_EQ(f.Label3->text(), "No. of Rows:");
  EXPECT_EQ(f.CheckBox1->text(), "Color");
  EXPECT_EQ(f.LabeledEditLabel->text(), "Port:");
  EXPECT_EQ(f.Button1->text(), "Update");
  EXPECT_EQ(f.GroupBox6->title(), "Log Window:");
  QStringList items;
  for (QComboBox* box : {f.ComboBox1, f.ComboBox2, f.ComboBox3})
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  EXPECT_EQ(items, QStringList({"96", "120", "128", "144", "192", "240", "10", "16", "20", "1", "2", "3", "4"}));
  bool makerShown = false;
  for (QLabel* label : f.GroupBox2->findChildren<QLabel*>()) makerShown |= label->text() == "Orvane";
  EXPECT_TRUE(makerShown);

  EXPECT_EQ(f.StatusPanel1->text(), "Version 1.04.00 TCP/IP");
  EXPECT_EQ(f.StatusPanel0->text(), "");
  EXPECT_EQ(f.StatusMessage->text(), "");
  EXPECT_TRUE(LogLines().isEmpty());

  EXPECT_FALSE(program->Simulator().isVisible());
  EXPECT_EQ(program->Simulator().windowTitle(), "Simulation");
  EXPECT_EQ(program->Simulator().Engine(), nullptr);
  EXPECT_EQ(program->Threads().Running(), 0u);
}

TEST_F(ProgramTest, TheFileStoresItemPositionsNotNumbers) {
  WriteIni("[PC]\nColumns=2\n");
  Make();
  EXPECT_EQ(Form().ComboBox1->currentText(), "128");
  Form().ComboBox1->setCurrentIndex(Form().ComboBox1->findText("192"));
  Form().ComboBox3->setCurrentIndex(Form().ComboBox3->findText("3"));
  Form().CheckBox1->setChecked(true);
  ASSERT_TRUE(Form().close());
  const std::string text = IniText();
  EXPECT_NE(text.find("Columns=4\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Rows=2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Color=1\n"), std::string::npos) << text;
}

TEST_F(ProgramTest, AStoredIndexOutsideItsListLeavesTheListEmptyAndTheSignDark) {
  StartOnFreePort("Line=7\n");
  EXPECT_EQ(Form().ComboBox2->currentIndex(), -1);
  EXPECT_EQ(Form().ComboBox2->currentText(), "");
  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].contains("Line=7")) << lines[0].toStdString();

  // The engine ends in its set-up; the window forgets it.
  Form().Button1->click();
  ASSERT_TRUE(WaitUntil([&] { return program->Simulator().isVisible(); }));
  EXPECT_TRUE(WaitUntil([&] { return program->Threads().Running() == 0 && !program->Simulator().Engine(); }));

  // Once a line count is chosen, "Update" starts the sign.
  Form().ComboBox2->setCurrentIndex(1);
  UpdateAndWaitForTheSign();
  EXPECT_TRUE(WaitUntil([&] { return program->Platform().LatestSnapshot().lines == 16; }));
}

TEST_F(ProgramTest, UpdateShowsTheSignWithItsAddress) {
  StartOnFreePort("[EEPROM]\nADRESA=5\n");
  Form().Button1->click();
  EXPECT_FALSE(program->Simulator().isVisible());  // the pause comes first
  EXPECT_TRUE(Form().UpdatePending());
  UpdateAndWaitForTheSign();
  EXPECT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()) == "#5"; }));
}

TEST_F(ProgramTest, UpdateTwiceInARowLeavesOneEngine) {
  StartOnFreePort();
  // Twice during one pause.
  Form().Button1->click();
  Form().Button1->click();
  UpdateAndWaitForTheSign();
  const auto first = program->Simulator().Engine();
  EXPECT_TRUE(WaitUntil([&] { return program->Threads().Running() == 1; }));

  // Twice more, the second after the window showed again.
  Form().Button1->click();
  UpdateAndWaitForTheSign();
  Form().Button1->click();
  UpdateAndWaitForTheSign();
  EXPECT_TRUE(WaitUntil([&] { return program->Threads().Running() == 1; }));
  EXPECT_NE(program->Simulator().Engine(), first);
  EXPECT_TRUE(first->Finished());
}

TEST_F(ProgramTest, APacketOverTcpIsCountedLoggedInterpretedAndShown) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  ASSERT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()) == "#127"; }));

  ASSERT_TRUE(SendPacket(port, Packet("ABC")));
  ASSERT_TRUE(WaitForLog("Write Data"));
  const QStringList lines = LogLines();
  const auto dump = lines.indexOf("02H,FFH,41H,42H,43H,03H,");
  ASSERT_GE(dump, 1) << lines.join('\n').toStdString();
  EXPECT_TRUE(kStampLine.match(lines[dump - 1]).hasMatch()) << lines[dump - 1].toStdString();
  EXPECT_EQ(lines.indexOf("Write Data"), dump + 1);
  EXPECT_EQ(Form().StatusPanel0->text(), "Data Pockets = 1");
  EXPECT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()) == "ABC\x03"; }));

  ASSERT_TRUE(SendPacket(port, Packet("DEF")));
  EXPECT_TRUE(WaitUntil([&] { return Form().StatusPanel0->text() == "Data Pockets = 2"; }));
}

TEST_F(ProgramTest, APacketForAddressZeroIsInterpretedInFull) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  ASSERT_TRUE(SendPacket(port, Packet("Hi", 0x00)));
  ASSERT_TRUE(WaitForLog("02H,"));
  EXPECT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()) == "Hi\x03"; }));
}

TEST_F(ProgramTest, AnEmptyConnectionBlanksTheSign) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  { LoopbackClient silent(port); }
  ASSERT_TRUE(WaitForLog("Write Data"));
  EXPECT_TRUE(LogLines().contains(""));  // the empty dump line
  EXPECT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()).empty(); }));
}

TEST_F(ProgramTest, APacketThatCameWhileTheWindowWasClosedIsShownAtUpdate) {
  StartOnFreePort();
  ASSERT_TRUE(SendPacket(port, Packet("Early")));
  ASSERT_TRUE(WaitUntil([&] { return LogLines().size() == 2; }));
  UpdateAndWaitForTheSign();
  EXPECT_TRUE(WaitUntil([&] { return ShownText(program->Platform().LatestSnapshot()) == "Early\x03"; }));
}

// The picture that an engine with the same choices paints at its first
// tick, after packet when there is one.
QImage ReferencePicture(const std::vector<uint8_t>& packet) {
  TestPlatform reference;
  reference.fontDirectories = {QCoreApplication::applicationDirPath().toStdString()};
  if (!packet.empty()) reference.mailbox.Publish(packet);
  auto engine = std::make_shared<Tsiml>(reference);
  if (!engine->Begin()) return {};
  engine->Tick();
  engine->End();
  const ClientPicture& p = reference.lastPicture;
  QImage image(p.width, p.height, QImage::Format_RGB32);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) image.setPixel(x, y, p.At(x, y));
  return image;
}

TEST_F(ProgramTest, APacketSentOverTcpAppearsInTheSimulationWindow) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  const QImage startUp = ReferencePicture({});  // no packet: the start-up text
  ASSERT_TRUE(WaitUntil([&] { return program->Simulator().Picture() == startUp; }))
      << "the window does not show the start-up text";

  EXPECT_EQ(program->Simulator().size(), startUp.size());

  const auto hello = Packet("Hello");
  const QImage expected = ReferencePicture(hello);
  ASSERT_NE(expected, startUp);
  ASSERT_TRUE(SendPacket(port, hello));
  EXPECT_TRUE(WaitUntil([&] { return program->Simulator().Picture() == expected; }));
}

TEST_F(ProgramTest, CommandsChangeTheParameterMemoryThatCloseWrites) {
  struct Case {
    std::string payload;
    QString status;
    std::vector<std::string> stored;
  };
  const Case cases[] = {
      {"$R", "Reset Command - sets default value - $R",
       {"ADRESA=127\n", "JASSTATUS=0\n", "JASCOUNT=50\n", "CLEAR=76\n", "FLASHON=10\n", "FLASHOFF=5\n"}},
      {"$G\x14\x19", "Flashing Parameters - $G", {"FLASHON=5\n", "FLASHOFF=15\n", "ADRESA=9\n"}},
  };
  for (const Case& c : cases) {
    StartOnFreePort("[EEPROM]\nADRESA=9\nJASSTATUS=1\nJASCOUNT=3\nCLEAR=0\nFLASHON=1\nFLASHOFF=2\n");
    UpdateAndWaitForTheSign();
    ASSERT_TRUE(SendPacket(port, Packet(c.payload)));
    ASSERT_TRUE(WaitForLog(c.status)) << c.payload;
    ASSERT_TRUE(Form().close());
    EXPECT_TRUE(finished);
    const std::string text = IniText();
    for (const std::string& line : c.stored) EXPECT_NE(text.find(line), std::string::npos) << line << text;
    program.reset();
    finished = false;
  }
}

TEST_F(ProgramTest, ThePortEditChoosesTheListeningPort) {
  StartOnFreePort();
  const quint16 second = FreePort();
  Form().LabeledEdit->setText(QString::number(second));
  Form().Button1->click();
  EXPECT_EQ(program->Intake().Port(), second);
  EXPECT_TRUE(LogLines().contains(QStringLiteral("Listening on port %1").arg(second)));
  ASSERT_TRUE(SendPacket(second, Packet("X")));
  ASSERT_TRUE(WaitForLog("02H,FFH,58H,03H,"));

  struct Case {
    QString edit;
    QString problem;
  };
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
  const Case cases[] = {
      {"70000", "Port \"70000\" is not a port number from 1 to 65535"},
      {"ten", "Port \"ten\" is not a port number from 1 to 65535"},
      {QString::number(holder.serverPort()), QStringLiteral("Port %1 cannot be opened: ").arg(holder.serverPort())},
  };
  for (const Case& c : cases) {
    Form().LabeledEdit->setText(c.edit);
    Form().Button1->click();
    const QString line = LogLines().last();
    EXPECT_TRUE(line.startsWith(c.problem)) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral("; still listening on port %1").arg(second))) << line.toStdString();
    EXPECT_TRUE(Form().StatusMessage->text().startsWith(c.problem));
    EXPECT_EQ(program->Intake().Port(), second);
  }
}

TEST_F(ProgramTest, APortHeldByAnotherProgramAtStartIsReported) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
  WriteIni("[PC]\nRemote=" + std::to_string(holder.serverPort()) + "\n");
  Make();
  program->Start();
  const QString problem = QStringLiteral("Port %1 cannot be opened: ").arg(holder.serverPort());
  ASSERT_TRUE(WaitUntil([&] { return !LogLines().isEmpty(); }));
  EXPECT_TRUE(LogLines().first().startsWith(problem));
  EXPECT_TRUE(LogLines().first().endsWith("; no packets can arrive"));
  EXPECT_TRUE(Form().StatusMessage->text().startsWith(problem));
  EXPECT_FALSE(program->Intake().Listening());
}

TEST_F(ProgramTest, ACloseThatCannotSaveKeepsTheWindowOpen) {
  // Not a whole number in the port edit.
  StartOnFreePort();
  Form().LabeledEdit->setText("12ab");
  EXPECT_FALSE(Form().close());
  EXPECT_EQ(messages, QStringList("''12ab'' is not a valid integer value"));
  EXPECT_TRUE(Form().isVisible());
  EXPECT_FALSE(finished);
  EXPECT_EQ(IniText(), "[PC]\nRemote=" + std::to_string(port) + "\n");  // untouched
  Form().LabeledEdit->setText("10001");
  EXPECT_TRUE(Form().close());
  EXPECT_TRUE(finished);
  program.reset();

  // A file that cannot be written: its folder is a plain file.
  messages.clear();
  finished = false;
  WriteIni("");
  iniPath = dir.filePath("signview.INI/inside.INI").toStdString();
  Make();
  program->Start();
  EXPECT_FALSE(Form().close());
  EXPECT_EQ(messages, QStringList(QStringLiteral("Unable to write to %1").arg(QString::fromStdString(iniPath))));
  EXPECT_TRUE(Form().isVisible());
  EXPECT_FALSE(finished);
}

TEST_F(ProgramTest, TheLogBoxKeepsTheLastTenThousandLines) {
  Make();
  for (int i = 0; i < LogSink::kMaxLines + 50; ++i) program->Log().Append(QStringLiteral("line %1").arg(i));
  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), LogSink::kMaxLines);
  EXPECT_EQ(lines.first(), "line 50");
  EXPECT_EQ(lines.last(), QStringLiteral("line %1").arg(LogSink::kMaxLines + 49));
}

TEST_F(ProgramTest, ClosingWhileTextScrollsEndsEveryThread) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  ASSERT_TRUE(SendPacket(port, Packet("ABC$MHello$CRXYZ")));
  ASSERT_TRUE(WaitUntil([&] { return program->Platform().LatestSnapshot().moving; }));
  ASSERT_TRUE(WaitUntil([&] { return program->Threads().Running() == 2; }));  // engine, moving text

  ASSERT_TRUE(Form().close());
  EXPECT_TRUE(finished);
  EXPECT_EQ(program->Threads().Running(), 0u);
}

TEST_F(ProgramTest, ClosingWhilePacketsArriveEndsCleanly) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};
  std::thread sender([&] {
    while (!stop) {
      if (SendPacket(port, Packet("flood " + std::to_string(sent.load())))) ++sent;
    }
  });
  const bool flowing = WaitUntil([&] { return program->Intake().PacketCount() > 50; });
  const bool closed = Form().close();
  stop = true;
  sender.join();
  ASSERT_TRUE(flowing);
  ASSERT_TRUE(closed);
  EXPECT_TRUE(finished);
  EXPECT_EQ(program->Threads().Running(), 0u);
  EXPECT_FALSE(program->Intake().Listening());
}

TEST_F(ProgramTest, AStopSignalClosesTheProgramAsTheUserWould) {
  StartOnFreePort();
  UpdateAndWaitForTheSign();
  StopSignals stopSignals;
  QObject::connect(&stopSignals, &StopSignals::stopRequested, program.get(), &SignviewProgram::RequestStop);
  std::raise(SIGTERM);
  ASSERT_TRUE(WaitUntil([&] { return finished; }));
  EXPECT_EQ(program->Threads().Running(), 0u);
  EXPECT_NE(IniText().find("[EEPROM]"), std::string::npos);
}

}  // namespace
