#pragma once
// The maker's small logo: a dark panel of round LEDs whose lit ones form a
// sign's letter "L", as the simulator paints them.
#include <QWidget>

class LogoWidget : public QWidget {
  Q_OBJECT
public:
  explicit LogoWidget(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {64, 64}; }

protected:
  void paintEvent(QPaintEvent* event) override;
};
