#pragma once
// The sender's window: the peer's address and port, a log, and a box for
// the text with the history of the texts sent. Each press of ">>" sends the
// text as one packet over a connection of its own.
#include <QString>
#include <QWidget>
#include <functional>

#include "SettingsFile.h"

class QCloseEvent;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class PacketSender;

class TForm1 : public QWidget {
  Q_OBJECT
public:
  // Reads settings (loading the file) into the controls. The window keeps
  // settings and writes them back when it closes.
  explicit TForm1(SettingsFile settings, QWidget* parent = nullptr);
  ~TForm1() override;

  // The controls, named as on the form.
  QGroupBox* GroupBox1;
  QLabel* LabelIP;
  QLineEdit* EditIP;
  QLabel* LabelPort;
  QLineEdit* EditPort;
  QGroupBox* GroupBox2;
  QPlainTextEdit* Memo1;
  QGroupBox* GroupBox3;
  QComboBox* TxtBox;
  QPushButton* BtnSend;
  QPushButton* Button1;
  PacketSender* TcpClient;

  // Asked when the settings cannot be saved at close, with the message
  // ("Unable to write to …"); true closes without saving, false keeps the
  // window open. By default a message box asks the user.
  std::function<bool(const QString& message)> confirmCloseWithoutSaving;

public slots:
  // Sends the text of TxtBox to EditIP:EditPort. Returns at once; the log
  // tells how the send goes, and BtnSend is disabled until it has ended.
  void BtnSendClick();
  // Closes the window, which saves the settings.
  void Button1Click();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void CreateControls();
  void LoadSettings();
  // Writes the settings file; false when it could not and the user wants
  // the window kept open.
  bool FormClose();
  void Log(const QString& line);

  void TcpClientConnect();
  void TcpClientSent();
  void TcpClientDisconnect();
  void TcpClientFailed();

  SettingsFile settings_;
  QString sendingText_;  // the text of the send under way
};
