#include "TSimulator.h"

#include <QCloseEvent>
#include <QPainter>

#include "QtPlatform.h"
#include "Tsiml.h"

TSimulator::TSimulator(QtPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform) {
  setWindowTitle(QStringLiteral("Simulation"));
  setAttribute(Qt::WA_QuitOnClose, false);
  setAutoFillBackground(true);
  QPalette gray = palette();
  gray.setColor(QPalette::Window, QColor::fromRgb(kWindowGray));
  setPalette(gray);
  setFixedSize(kDesignClientSize);
  move(kDesignPosition);
  connect(&platform_, &QtPlatform::windowSizeRequested, this, &TSimulator::SetClientSize);
  connect(&platform_, &QtPlatform::pictureChanged, this, &TSimulator::TakePicture);
}

void TSimulator::FormShow() {
  if (Engine()) return;  // one engine per showing
  platform_.ForgetPicture();
  picture_ = QImage();
  update();
  auto engine = std::make_shared<Tsiml>(platform_);
  EngineThread = engine;
  platform_.StartThread(engine);
}

void TSimulator::FormClose() {
  if (auto engine = EngineThread.lock()) {
    engine->Terminate();
    engine->TerminateMovingText();
  }
  EngineThread.reset();
}

void TSimulator::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window restored by the window system is not a new showing.
  if (!event->spontaneous()) FormShow();
}

void TSimulator::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TSimulator::SetClientSize(int width, int height) {
  if (width > 0 && height > 0) setFixedSize(width, height);
}

void TSimulator::TakePicture() {
  picture_ = platform_.TakePicture();
  update();
}

void TSimulator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!picture_.isNull()) painter.drawImage(QPoint(0, 0), picture_);
}
