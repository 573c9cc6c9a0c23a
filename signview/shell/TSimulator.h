#pragma once
// The simulation window: shows the emulated LED display. Showing it starts
// an engine; closing it stops the engine and its moving text. It has no
// controls; it shows the picture the engine presents each tick.
#include <memory>

#include <QImage>
#include <QWidget>

class QtPlatform;
class Tsiml;

class TSimulator : public QWidget {
  Q_OBJECT
public:
  // Where the window first appears, and its client size until an engine
  // sizes it for its display.
  static constexpr QPoint kDesignPosition{373, 396};
  static constexpr QSize kDesignClientSize{494, 118};

  // platform must outlive the window.
  explicit TSimulator(QtPlatform& platform, QWidget* parent = nullptr);

  // Starts a new engine unless one runs already.
  void FormShow();
  // Asks the engine and its moving text to stop and forgets them.
  void FormClose();

  // The running engine, or none. The window holds it weakly: an engine that
  // ended (also one whose set-up failed) is gone and can never be used.
  std::shared_ptr<Tsiml> Engine() const { return EngineThread.lock(); }
  // The picture the window shows now (null before the first tick).
  QImage Picture() const { return picture_; }

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void SetClientSize(int width, int height);
  void TakePicture();

  QtPlatform& platform_;
  std::weak_ptr<Tsiml> EngineThread;
  QImage picture_;
};
