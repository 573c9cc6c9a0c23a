#include "TMainForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include "FormFont.h"
#include "IntegerText.h"
#include "LogSink.h"
#include "LogoWidget.h"
#include "PacketIntake.h"
#include "SimulatorSettings.h"
#include "TSimulator.h"

namespace {
const QString kVersionText = QStringLiteral("Version 1.04.00 TCP/IP");

template <std::size_t N>
QStringList Items(const std::array<std::string_view, N>& items) {
  QStringList list;
  for (auto item : items) list << QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size()));
  return list;
}
}  // namespace

TMainForm::TMainForm(SettingsSource settings, LogSink& log, PacketIntake& intake,
                     TSimulator& simulator, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      settings_(std::move(settings)),
      log_(log),
      intake_(intake),
      simulator_(simulator) {
  setWindowTitle(QStringLiteral("Orvane Lumidot Simulator"));
  setFont(FormFont());
  setFixedSize(kClientSize);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(kClientSize.width() / 2, kClientSize.height() / 2));
  BuildControls();

  messageBox_ = [this](const QString& text) {
    QMessageBox::critical(this, QStringLiteral("signview"), text);
  };
  updatePause_.setSingleShot(true);
  updatePause_.setInterval(kUpdatePauseMs);
  connect(&updatePause_, &QTimer::timeout, &simulator_, &QWidget::show);
  connect(&log_, &LogSink::linesReady, this, &TMainForm::AppendLines);
  connect(&intake_, &PacketIntake::connectionCounted, this,
          [this](int n) { StatusPanel0->setText(QStringLiteral("Data Pockets = %1").arg(n)); });

  ReadSettings();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildControls() {
  // Positions and sizes in client pixels, as the form was designed.
  GroupBox1 = new QGroupBox(QStringLiteral("Display Type:"), this);
  GroupBox1->setGeometry(15, 15, 322, 112);
  Label1 = new QLabel(QStringLiteral("No. of Columns:"), GroupBox1);
  Label1->setGeometry(24, 20, 84, 16);
  Label2 = new QLabel(QStringLiteral("No. of Lines:"), GroupBox1);
  Label2->setGeometry(121, 20, 84, 16);
  Label3 = new QLabel(QStringLiteral("No. of Rows:"), GroupBox1);
  Label3->setGeometry(219, 20, 84, 16);

  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->addItems(Items(kColumnItems));
  ComboBox1->setGeometry(24, 40, 84, 22);
  ComboBox2 = new QComboBox(GroupBox1);
  ComboBox2->addItems(Items(kLineItems));
  ComboBox2->setGeometry(121, 40, 84, 22);
  ComboBox3 = new QComboBox(GroupBox1);
  ComboBox3->addItems(Items(kRowItems));
  ComboBox3->setGeometry(219, 40, 84, 22);

  CheckBox1 = new QCheckBox(QStringLiteral("Color"), GroupBox1);
  CheckBox1->setGeometry(145, 80, 60, 17);

  LabeledEdit = new QLineEdit(GroupBox1);
  LabeledEdit->setGeometry(24, 80, 84, 22);
  // The edit's label sits right above it.
  LabeledEditLabel = new QLabel(QStringLiteral("Port:"), GroupBox1);
  LabeledEditLabel->setGeometry(24, 64, 84, 14);
  LabeledEditLabel->setBuddy(LabeledEdit);

  Button1 = new QPushButton(QStringLiteral("Update"), GroupBox1);
  Button1->setGeometry(228, 78, 55, 20);
  connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);

  setTabOrder(ComboBox1, ComboBox2);
  setTabOrder(ComboBox2, ComboBox3);
  setTabOrder(ComboBox3, CheckBox1);
  setTabOrder(CheckBox1, LabeledEdit);
  setTabOrder(LabeledEdit, Button1);

  // The maker's box: logo and name.
  GroupBox2 = new QGroupBox(this);
  GroupBox2->setGeometry(355, 23, 259, 104);
  auto* logo = new LogoWidget(GroupBox2);
  logo->setGeometry(18, 18, 68, 68);
  auto* maker = new QLabel(QStringLiteral("Orvane"), GroupBox2);
  QFont makerFont = font();
  makerFont.setPixelSize(26);
  makerFont.setBold(true);
  maker->setFont(makerFont);
  maker->setGeometry(104, 22, 140, 34);
  auto* product = new QLabel(QStringLiteral("Lumidot LED signs"), GroupBox2);
  product->setGeometry(106, 58, 140, 16);

  GroupBox6 = new QGroupBox(QStringLiteral("Log Window:"), this);
  GroupBox6->setGeometry(18, 133, 596, 264);
  Memo = new QPlainTextEdit(GroupBox6);
  Memo->setGeometry(3, 16, 590, 233);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setMaximumBlockCount(LogSink::kMaxLines);
  QPalette memoPalette = Memo->palette();
  memoPalette.setColor(QPalette::Text, Qt::black);
  Memo->setPalette(memoPalette);

  StatusBar = new QStatusBar(this);
  StatusBar->setSizeGripEnabled(false);
  StatusBar->setGeometry(0, 403, 632, 19);
  StatusPanel0 = new QLabel(StatusBar);
  StatusPanel0->setFixedWidth(150);
  StatusPanel1 = new QLabel(StatusBar);
  // At least its designed 85 pixels; as the last panel it grows to show
  // the whole version text.
  StatusPanel1->setMinimumWidth(85);
  StatusMessage = new QLabel(StatusBar);
  for (QLabel* panel : {StatusPanel0, StatusPanel1, StatusMessage})
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  StatusBar->addWidget(StatusPanel0);
  StatusBar->addWidget(StatusPanel1);
  StatusBar->addWidget(StatusMessage, 1);
}

void TMainForm::ReadSettings() {
  SettingsFile file = settings_();
  if (!file.Load())
    log_.Append(QStringLiteral("The settings file %1 could not be read; the defaults are used")
                    .arg(QString::fromStdString(file.ReadPath())));
  Apply(ReadSimulatorSettings(file));
}

void TMainForm::Apply(const SimulatorSettings& s) {
  LabeledEdit->setText(QString::number(s.remote));
  const struct {
    QComboBox* box;
    int32_t index;
    const char* key;
    QLabel* label;
  } lists[] = {{ComboBox1, s.columns, "Columns", Label1},
               {ComboBox2, s.line, "Line", Label2},
               {ComboBox3, s.rows, "Rows", Label3}};
  for (const auto& l : lists) {
    if (l.index >= 0 && l.index < l.box->count()) {
      l.box->setCurrentIndex(l.index);
      continue;
    }
    // Nothing chosen: the engine does not start until a choice is made.
    l.box->setCurrentIndex(-1);
    log_.Append(QStringLiteral("Settings file: %1=%2 is not an item of \"%3\"; choose one and press "
                               "Update, the display does not start without it")
                    .arg(QLatin1String(l.key))
                    .arg(l.index)
                    .arg(l.label->text().chopped(1)));
  }
  CheckBox1->setChecked(s.color);
  parameters_ = s.eeprom;
}

DisplayChoices TMainForm::ReadDisplayChoices() const {
  return {ComboBox1->currentText().toStdString(), ComboBox2->currentText().toStdString(),
          ComboBox3->currentText().toStdString(), CheckBox1->isChecked()};
}

void TMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TMainForm::FormShow() {
  StatusPanel1->setText(kVersionText);
  OpenServer(true);
}

void TMainForm::Button1Click() {
  simulator_.close();
  OpenServer(false);
  updatePause_.start();
}

void TMainForm::OpenServer(bool atStart) {
  const QString text = LabeledEdit->text();
  const auto number = ParseInteger(text.toStdString());
  if (!number || *number < 1 || *number > 65535) {
    ReportPortProblem(QStringLiteral("Port \"%1\" is not a port number from 1 to 65535").arg(text));
    return;
  }
  const auto port = static_cast<quint16>(*number);
  if (intake_.Listening() && intake_.Port() == port) return;
  if (auto reason = intake_.Listen(port)) {
    ReportPortProblem(QStringLiteral("Port %1 cannot be opened: %2").arg(port).arg(*reason));
    return;
  }
  StatusMessage->clear();
  if (!atStart) log_.Append(QStringLiteral("Listening on port %1").arg(port));
}

void TMainForm::ReportPortProblem(const QString& problem) {
  const QString consequence = intake_.Listening()
                                  ? QStringLiteral("; still listening on port %1").arg(intake_.Port())
                                  : QStringLiteral("; no packets can arrive");
  log_.Append(problem + consequence);
  StatusMessage->setText(problem);
  StatusMessage->setToolTip(problem + consequence);
}

void TMainForm::AppendLines(const QStringList& lines) {
  Memo->appendPlainText(lines.join(QLatin1Char('\n')));
}

std::optional<QString> TMainForm::SaveSettings() {
  const QString portText = LabeledEdit->text();
  const auto remote = ParseInteger(portText.toStdString());
  if (!remote) return QStringLiteral("''%1'' is not a valid integer value").arg(portText);

  SimulatorSettings s;
  s.remote = *remote;
  s.columns = ComboBox1->currentIndex();
  s.line = ComboBox2->currentIndex();
  s.rows = ComboBox3->currentIndex();
  s.color = CheckBox1->isChecked();
  s.eeprom = parameters_;

  SettingsFile file = settings_();
  file.Load();  // keeps the keys this program does not know
  WriteSimulatorSettings(file, s);
  if (auto failure = file.Save()) return QString::fromStdString(*failure);  // "Unable to write to …"
  return std::nullopt;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (auto problem = SaveSettings()) {
    messageBox_(*problem);
    if (!closeEvenIfUnsaved_) {
      event->ignore();
      return;
    }
  }
  updatePause_.stop();
  event->accept();
  emit closed();
}
