#include "TForm1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "IntegerText.h"
#include "OutgoingText.h"
#include "PacketSender.h"
#include "SenderFont.h"
#include "SenderSettings.h"

namespace {

// An edit with its caption above it, as the form lays them out: the label
// starts at the edit's left and ends 3 pixels above it.
QLabel* LabelAbove(QWidget* edit, const QString& caption) {
  auto* label = new QLabel(caption, edit->parentWidget());
  const int height = label->fontMetrics().height();
  label->setGeometry(edit->x(), edit->y() - 3 - height, edit->width(), height);
  label->setBuddy(edit);
  return label;
}

}  // namespace

TForm1::TForm1(SettingsFile settings, QWidget* parent)
    : QWidget(parent), settings_(std::move(settings)) {
  setWindowTitle(QStringLiteral("Lumidot - TCP/IP demo"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFont(SenderFont());
  setFixedSize(497, 357);
  CreateControls();
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  confirmCloseWithoutSaving = [this](const QString& message) {
    return QMessageBox::warning(this, windowTitle(), message + QStringLiteral("\n\nClose without saving?"),
                                QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
  };

  TcpClient = new PacketSender(this);
  connect(TcpClient, &PacketSender::Connected, this, &TForm1::TcpClientConnect);
  connect(TcpClient, &PacketSender::Sent, this, &TForm1::TcpClientSent);
  connect(TcpClient, &PacketSender::Disconnected, this, &TForm1::TcpClientDisconnect);
  connect(TcpClient, &PacketSender::ConnectFailed, this, &TForm1::TcpClientFailed);
  connect(TcpClient, &PacketSender::Finished, this, [this] { BtnSend->setEnabled(true); });

  LoadSettings();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  GroupBox1 = new QGroupBox(QStringLiteral("Settings TCP/IP:"), this);
  GroupBox1->setGeometry(8, 8, 185, 153);
  EditIP = new QLineEdit(GroupBox1);
  EditIP->setGeometry(16, 53, 146, 21);
  LabelIP = LabelAbove(EditIP, QStringLiteral("IP Address:"));
  EditPort = new QLineEdit(GroupBox1);
  EditPort->setGeometry(16, 104, 57, 21);
  LabelPort = LabelAbove(EditPort, QStringLiteral("Port:"));

  GroupBox2 = new QGroupBox(QStringLiteral("Log window:"), this);
  GroupBox2->setGeometry(206, 8, 283, 153);
  Memo1 = new QPlainTextEdit(GroupBox2);
  Memo1->setGeometry(16, 16, 257, 129);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  GroupBox3 = new QGroupBox(QStringLiteral("Text functions:"), this);
  GroupBox3->setGeometry(8, 167, 481, 90);
  TxtBox = new QComboBox(GroupBox3);
  TxtBox->setGeometry(16, 36, 409, 21);
  TxtBox->setEditable(true);
  // The history is kept by the sends, not by pressing Enter; and abc must
  // never be completed to ABC.
  TxtBox->setInsertPolicy(QComboBox::NoInsert);
  TxtBox->completer()->setCaseSensitivity(Qt::CaseSensitive);
  BtnSend = new QPushButton(QStringLiteral(">>"), GroupBox3);
  BtnSend->setGeometry(443, 33, 28, 25);
  connect(BtnSend, &QPushButton::clicked, this, &TForm1::BtnSendClick);

  Button1 = new QPushButton(QStringLiteral("Close"), this);
  Button1->setGeometry(368, 298, 75, 25);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

void TForm1::LoadSettings() {
  settings_.Load();  // an unreadable file gives the defaults
  const SenderSettings settings = ReadSenderSettings(settings_);
  EditIP->setText(settings.ipAddress);
  EditPort->setText(settings.port);
  TxtBox->clear();
  TxtBox->addItems(settings.texts);
  TxtBox->setCurrentIndex(-1);  // the box starts empty
  TxtBox->setEditText(QString());
}

void TForm1::BtnSendClick() {
  if (TcpClient->Busy()) return;

  const QString portText = EditPort->text();
  const std::optional<int32_t> port = ParseInteger(portText.toStdString());
  if (!port) {
    Log(QStringLiteral("'%1' is not a valid integer value").arg(portText));
    return;
  }
  // No connection can be made to a port outside 1 to 65535.
  if (*port < 1 || *port > 65535) {
    Log(QStringLiteral("Error connection"));
    return;
  }

  const QString text = TxtBox->currentText();
  const OutgoingPacket packet = PrepareTextPacket(text.toStdU32String());
  if (!packet.Ready()) {
    Log(QString::fromStdString(packet.refusal));
    return;
  }

  sendingText_ = text;
  BtnSend->setEnabled(false);
  TcpClient->Send(EditIP->text(), static_cast<quint16>(*port),
                  QByteArray(reinterpret_cast<const char*>(packet.bytes.data()),
                             static_cast<qsizetype>(packet.bytes.size())));
}

void TForm1::Button1Click() { close(); }

void TForm1::closeEvent(QCloseEvent* event) {
  if (FormClose()) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool TForm1::FormClose() {
  settings_.Load();  // anything else written to the file meanwhile is kept
  SenderSettings settings;
  settings.ipAddress = EditIP->text();
  settings.port = EditPort->text();
  for (int i = 0; i < TxtBox->count(); ++i) settings.texts.append(TxtBox->itemText(i));
  WriteSenderSettings(settings_, settings);
  if (const std::optional<std::string> error = settings_.Save()) {
    return confirmCloseWithoutSaving(QString::fromStdString(*error));
  }
  return true;
}

void TForm1::Log(const QString& line) { Memo1->appendPlainText(line); }

void TForm1::TcpClientConnect() { Log(QStringLiteral("Connect OK")); }

void TForm1::TcpClientSent() {
  Log(QStringLiteral("Send : ") + sendingText_);
  // Each text once, compared exactly, in the order first sent.
  for (int i = 0; i < TxtBox->count(); ++i) {
    if (TxtBox->itemText(i) == sendingText_) return;
  }
  // The first entry of an empty list would also become the box's text;
  // keep what the user has typed meanwhile.
  const QString typed = TxtBox->currentText();
  TxtBox->addItem(sendingText_);
  if (TxtBox->currentText() != typed) TxtBox->setEditText(typed);
}

void TForm1::TcpClientDisconnect() { Log(QStringLiteral("Disconnect OK")); }

void TForm1::TcpClientFailed() { Log(QStringLiteral("Error connection")); }
