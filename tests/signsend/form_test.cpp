#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "QtPrinting.h"
#include "LoopbackPeer.h"
#include "PacketSender.h"
#include "TForm1.h"

namespace {

QByteArray Bytes(std::initializer_list<uint8_t> bytes) {
  return QByteArray(reinterpret_cast<const char*>(std::data(bytes)), static_cast<qsizetype>(bytes.size()));
}

// A window with its settings file in a folder of its own.
class FormTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    OpenForm();
  }

  std::string SettingsPath() const { return folder_.filePath(QStringLiteral("signsend.INI")).toStdString(); }
  void WriteSettings(const std::string& text) { std::ofstream(SettingsPath()) << text; }
  void OpenForm() { form_ = std::make_unique<TForm1>(SettingsFile::AtPath(SettingsPath())); }

  // Types text and presses ">>" with the peer at port, then waits until the
  // send has ended (the button is enabled again).
  void Send(const QString& text, const QString& port) {
    form_->EditIP->setText(QStringLiteral("127.0.0.1"));
    form_->EditPort->setText(port);
    form_->TxtBox->setEditText(text);
    QTest::mouseClick(form_->BtnSend, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form_->BtnSend->isEnabled(); }, 10000));
  }
  void Send(const QString& text) { Send(text, QString::number(peer_.Port())); }

  QStringList LogLines() const {
    const QString log = form_->Memo1->toPlainText();
    return log.isEmpty() ? QStringList() : log.split(QLatin1Char('\n'));
  }
  QStringList History() const {
    QStringList items;
    for (int i = 0; i < form_->TxtBox->count(); ++i) items.append(form_->TxtBox->itemText(i));
    return items;
  }

  QTemporaryDir folder_;
  LoopbackPeer peer_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(FormTest, EveryControlHasItsPlaceAndCaption) {
  EXPECT_EQ(form_->windowTitle(), "Lumidot - TCP/IP demo");
  EXPECT_EQ(form_->size(), QSize(497, 357));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_EQ(form_->font().pixelSize(), 11);

  const struct {
    QWidget* control;
    QWidget* parent;
    QRect bounds;
    QString caption;
  } table[] = {
      {form_->GroupBox1, form_.get(), {8, 8, 185, 153}, "Settings TCP/IP:"},
      {form_->EditIP, form_->GroupBox1, {16, 53, 146, 21}, ""},
      {form_->EditPort, form_->GroupBox1, {16, 104, 57, 21}, ""},
      {form_->GroupBox2, form_.get(), {206, 8, 283, 153}, "Log window:"},
      {form_->Memo1, form_->GroupBox2, {16, 16, 257, 129}, ""},
      {form_->GroupBox3, form_.get(), {8, 167, 481, 90}, "Text functions:"},
      {form_->TxtBox, form_->GroupBox3, {16, 36, 409, 21}, ""},
      {form_->BtnSend, form_->GroupBox3, {443, 33, 28, 25}, ">>"},
      {form_->Button1, form_.get(), {368, 298, 75, 25}, "Close"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.control->metaObject()->className());
    EXPECT_EQ(row.control->parentWidget(), row.parent);
    EXPECT_EQ(row.control->geometry(), row.bounds);
    if (auto* box = qobject_cast<QGroupBox*>(row.control)) {
      EXPECT_EQ(box->title(), row.caption);
    }
    if (auto* button = qobject_cast<QPushButton*>(row.control)) {
      EXPECT_EQ(button->text(), row.caption);
    }
  }
  // The edits' captions stand right above them.
  EXPECT_EQ(form_->LabelIP->text(), "IP Address:");
  EXPECT_EQ(form_->LabelIP->geometry().bottom(), 53 - 4);
  EXPECT_EQ(form_->LabelPort->text(), "Port:");
  EXPECT_EQ(form_->LabelPort->geometry().bottom(), 104 - 4);
  EXPECT_EQ(form_->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(form_->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(form_->TxtBox->isEditable());
}

TEST_F(FormTest, ATextGoesOutAsOnePacketOnAConnectionOfItsOwn) {
  Send(QStringLiteral("ABC"));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  EXPECT_EQ(peer_.Opened(), 1);
  EXPECT_EQ(peer_.Closed()[0], Bytes({0x02, 0xFF, 0x41, 0x42, 0x43, 0x03}));
  EXPECT_EQ(LogLines(), QStringList({"Connect OK", "Send : ABC", "Disconnect OK"}));
  EXPECT_EQ(History(), QStringList({"ABC"}));
}

TEST_F(FormTest, AnEmptyTextIsSentAndEntersTheHistoryOnce) {
  Send(QString());
  Send(QString());
  ASSERT_TRUE(peer_.WaitForClosed(2));
  EXPECT_EQ(peer_.Closed()[0], Bytes({0x02, 0xFF, 0x03}));
  EXPECT_EQ(LogLines().mid(0, 3), QStringList({"Connect OK", "Send : ", "Disconnect OK"}));
  EXPECT_EQ(History(), QStringList({""}));
}

TEST_F(FormTest, TheHistoryHoldsEachTextOnceInTheOrderFirstSent) {
  for (const char* text : {"abc", "ABC", "abc", "x", "ABC"}) Send(QString::fromUtf8(text));
  ASSERT_TRUE(peer_.WaitForClosed(5));
  EXPECT_EQ(History(), QStringList({"abc", "ABC", "x"}));
  // The box keeps what was typed, whatever the history did.
  EXPECT_EQ(form_->TxtBox->currentText(), "ABC");
}

TEST_F(FormTest, ARefusedConnectionLogsOnlyErrorConnectionAndTheNextSendWorks) {
  Send(QStringLiteral("lost"), QString::number(PortWithoutListener()));
  EXPECT_EQ(LogLines(), QStringList({"Error connection"}));
  EXPECT_TRUE(History().isEmpty());

  // No address at all fails the same way.
  form_->EditIP->clear();
  form_->BtnSendClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form_->BtnSend->isEnabled(); }, 10000));
  EXPECT_EQ(LogLines(), QStringList({"Error connection", "Error connection"}));

  Send(QStringLiteral("found"));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  EXPECT_EQ(LogLines().mid(2), QStringList({"Connect OK", "Send : found", "Disconnect OK"}));
  EXPECT_EQ(History(), QStringList({"found"}));
}

TEST_F(FormTest, ThePortIsADecimalNumberLeadingZerosAllowed) {
  Send(QStringLiteral("zero"), QStringLiteral("0") + QString::number(peer_.Port()));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  EXPECT_EQ(LogLines().value(1), "Send : zero");

  Send(QStringLiteral("bad"), QStringLiteral("10x01"));
  EXPECT_EQ(LogLines().last(), "'10x01' is not a valid integer value");
  Send(QStringLiteral("bad"), QStringLiteral("70000"));
  EXPECT_EQ(LogLines().last(), "Error connection");
  EXPECT_EQ(peer_.Opened(), 1);
  EXPECT_EQ(History(), QStringList({"zero"}));
}

TEST_F(FormTest, A252ByteTextIsSentWholeAndA253ByteTextIsRefused) {
  Send(QString(252, QLatin1Char('x')));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  EXPECT_EQ(peer_.Closed()[0].size(), 255);
  EXPECT_EQ(peer_.Closed()[0].at(254), '\x03');

  Send(QString(253, QLatin1Char('y')));
  EXPECT_EQ(LogLines().last(), "Not sent: the text is 253 bytes long, a packet holds at most 252");
  EXPECT_FALSE(form_->TcpClient->Busy());
  EXPECT_EQ(peer_.Opened(), 1);
  EXPECT_EQ(History().size(), 1);
}

TEST_F(FormTest, CzechLettersArriveAsTheirWindows1250Bytes) {
  Send(QStringLiteral("Žluťoučký kůň ĚŠČŘ"));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  EXPECT_EQ(peer_.Closed()[0], Bytes({0x02, 0xFF, 0x8E, 'l', 'u', 0x9D, 'o', 'u', 0xE8, 'k', 0xFD, ' ', 'k',
                                      0xF9, 0xF2, ' ', 0xCC, 0x8A, 0xC8, 0xD8, 0x03}));
  EXPECT_EQ(LogLines().value(1), QStringLiteral("Send : Žluťoučký kůň ĚŠČŘ"));
}

TEST_F(FormTest, ACharacterOutsideTheCodePageIsNamedAndNothingIsSent) {
  Send(QStringLiteral("Σ sum"));
  EXPECT_EQ(LogLines(), QStringList({"Not sent: the character 'Σ' (U+03A3) is not in the code page Windows-1250"}));
  EXPECT_FALSE(form_->TcpClient->Busy());
  EXPECT_EQ(peer_.Opened(), 0);
  EXPECT_TRUE(History().isEmpty());
}

TEST_F(FormTest, TheButtonRestsWhileAConnectHangsUntilTheTimeOut) {
  StalledListener stalled;
  ASSERT_TRUE(stalled.Full());
  form_->TcpClient->SetTimeout(300);
  form_->EditIP->setText(QStringLiteral("127.0.0.1"));
  form_->EditPort->setText(QString::number(stalled.Port()));
  form_->TxtBox->setEditText(QStringLiteral("waiting"));
  form_->BtnSendClick();
  EXPECT_FALSE(form_->BtnSend->isEnabled());
  EXPECT_TRUE(form_->TcpClient->Busy());
  form_->BtnSendClick();  // a second press meanwhile starts nothing
  EXPECT_TRUE(LogLines().isEmpty());

  ASSERT_TRUE(QTest::qWaitFor([&] { return form_->BtnSend->isEnabled(); }, 10000));
  EXPECT_EQ(LogLines(), QStringList({"Error connection"}));
  EXPECT_TRUE(History().isEmpty());
}

TEST_F(FormTest, WithoutASettingsFileTheDefaultsShow) {
  EXPECT_EQ(form_->EditIP->text(), "192.168.0.1");
  EXPECT_EQ(form_->EditPort->text(), "10001");
  EXPECT_EQ(form_->TxtBox->count(), 0);
  EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(FormTest, SettingsAreReadAtStartAndWrittenAtCloseKeepingHigherKeys) {
  WriteSettings(
      "[PC]\nIPAddress=10.1.2.3\nPort=2000\nNo.1=2\n"
      "[TEXT]\n0=first\n1=second\n2=old third\n3=old fourth\n");
  OpenForm();
  EXPECT_EQ(form_->EditIP->text(), "10.1.2.3");
  EXPECT_EQ(form_->EditPort->text(), "2000");
  EXPECT_EQ(History(), QStringList({"first", "second"}));
  EXPECT_EQ(form_->TxtBox->currentText(), "");  // the box starts empty

  Send(QStringLiteral("třetí"));
  ASSERT_TRUE(peer_.WaitForClosed(1));
  form_->show();
  form_->Button1Click();
  EXPECT_FALSE(form_->isVisible());

  SettingsFile file = SettingsFile::AtPath(SettingsPath());
  ASSERT_TRUE(file.Load());
  EXPECT_EQ(file.GetString("PC", "IPAddress", ""), "127.0.0.1");
  EXPECT_EQ(file.GetString("PC", "Port", ""), std::to_string(peer_.Port()));
  EXPECT_EQ(file.GetInteger("PC", "No.1", 0), 3);
  EXPECT_EQ(file.GetString("TEXT", "2", ""), "třetí");
  EXPECT_EQ(file.GetString("TEXT", "3", ""), "old fourth");  // left in place

  OpenForm();
  EXPECT_EQ(History(), QStringList({"first", "second", "třetí"}));  // and not read
}

TEST_F(FormTest, ASettingsFileThatCannotBeWrittenAsksBeforeClosing) {
  const std::filesystem::path blocker = folder_.filePath(QStringLiteral("plain")).toStdString();
  std::ofstream(blocker) << "a file, not a folder";
  form_ = std::make_unique<TForm1>(SettingsFile::AtPath((blocker / "signsend.INI").string()));
  QString asked;
  bool answer = false;
  form_->confirmCloseWithoutSaving = [&](const QString& message) {
    asked = message;
    return answer;
  };
  form_->show();
  form_->Button1Click();
  EXPECT_EQ(asked.toStdString(), "Unable to write to " + (blocker / "signsend.INI").string());
  EXPECT_TRUE(form_->isVisible());  // kept open: nothing is lost yet

  answer = true;
  form_->Button1Click();
  EXPECT_FALSE(form_->isVisible());
}

// Also leaves a picture of the window where SIGNSEND_SCREENSHOT points.
TEST_F(FormTest, TheWindowPaintsAtItsSize) {
  Send(QStringLiteral("ABC"));
  Send(QStringLiteral("Žluťoučký kůň"));
  form_->TxtBox->setEditText(QStringLiteral("Dobrý den"));
  form_->show();
  const QImage picture = form_->grab().toImage();
  EXPECT_EQ(picture.size(), QSize(497, 357));
  // Something is drawn: the picture is not one flat colour.
  EXPECT_NE(picture.pixel(0, 0), picture.pixel(form_->Button1->geometry().center()));
  if (const char* path = std::getenv("SIGNSEND_SCREENSHOT")) {
    EXPECT_TRUE(picture.save(QString::fromLocal8Bit(path)));
  }
}

}  // namespace
