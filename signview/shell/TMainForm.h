#pragma once
// The main window: the operator's panel. It chooses the display type, shows
// and chooses the listening port, counts the received packets in its status
// bar, keeps the log, holds the sign's parameter memory, and restarts the
// simulation window with "Update". It reads the settings file when made and
// writes it when closed.
#include <functional>
#include <optional>

#include <QTimer>
#include <QWidget>

#include "DeviceParameters.h"
#include "EnginePlatform.h"
#include "SettingsFile.h"

class LogSink;
class PacketIntake;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class TSimulator;
struct SimulatorSettings;

class TMainForm : public QWidget {
  Q_OBJECT
public:
  static constexpr QSize kClientSize{632, 422};
  static constexpr int kUpdatePauseMs = 1000;

  // Makes a new settings-file object for one read or write pass.
  using SettingsSource = std::function<SettingsFile()>;
  // Shows a message that stops the closing (a message box unless replaced).
  using MessageBox = std::function<void(const QString& text)>;

  // Reads the settings into the controls and the parameters. Every
  // reference must outlive the window.
  TMainForm(SettingsSource settings, LogSink& log, PacketIntake& intake, TSimulator& simulator,
            QWidget* parent = nullptr);
  ~TMainForm() override;

  // Main thread: the display-type choices as the controls hold them.
  DisplayChoices ReadDisplayChoices() const;
  // The sign's parameter memory.
  DeviceParameters& Parameters() { return parameters_; }

  // "Update": closes the simulation window, reopens the server when the
  // port edit names another port, and shows the window again after a pause
  // that does not block the event loop. A second click during the pause
  // starts the pause anew, so one engine runs after both.
  void Button1Click();
  bool UpdatePending() const { return updatePause_.isActive(); }
  void SetUpdatePause(int milliseconds) { updatePause_.setInterval(milliseconds); }

  // Writes the settings file. The reason when it could not: the port edit
  // holds no whole number, or the file cannot be written (then nothing of
  // it was written).
  std::optional<QString> SaveSettings();
  void SetMessageBox(MessageBox box) { messageBox_ = std::move(box); }
  // A close that must end the program (a stop signal): a settings error is
  // shown but does not keep the window open.
  void SetCloseEvenIfUnsaved(bool yes) { closeEvenIfUnsaved_ = yes; }

  // Controls, named as in the form's design.
  QGroupBox* GroupBox1;
  QLabel *Label1, *Label2, *Label3;
  QComboBox *ComboBox1, *ComboBox2, *ComboBox3;
  QCheckBox* CheckBox1;
  QLabel* LabeledEditLabel;
  QLineEdit* LabeledEdit;
  QPushButton* Button1;
  QGroupBox* GroupBox2;
  QGroupBox* GroupBox6;
  QPlainTextEdit* Memo;
  QStatusBar* StatusBar;
  QLabel* StatusPanel0;   // the packet count
  QLabel* StatusPanel1;   // the version
  QLabel* StatusMessage;  // the rest of the bar: a port that cannot be opened

signals:
  // The window was closed and the settings written: the program ends.
  void closed();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildControls();
  void ReadSettings();
  void Apply(const SimulatorSettings& settings);
  // First showing: the version text and the server.
  void FormShow();
  // Listens on the port edit's port unless the server listens there now;
  // says in the log and the status bar when it cannot.
  void OpenServer(bool atStart);
  void ReportPortProblem(const QString& problem);
  void AppendLines(const QStringList& lines);

  SettingsSource settings_;
  LogSink& log_;
  PacketIntake& intake_;
  TSimulator& simulator_;
  DeviceParameters parameters_;
  QTimer updatePause_;
  MessageBox messageBox_;
  bool shown_ = false;
  bool closeEvenIfUnsaved_ = false;
};
