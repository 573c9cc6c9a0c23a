#include "LogoWidget.h"

#include <QPainter>

LogoWidget::LogoWidget(QWidget* parent) : QWidget(parent) {}

void LogoWidget::paintEvent(QPaintEvent*) {
  // A 7 × 7 LED matrix: the letter L in red, with a green and a yellow LED
  // at its foot for the sign's three colours.
  static const char* const kRows[7] = {
      ".R.....",  //
      ".R.....",  //
      ".R.....",  //
      ".R.....",  //
      ".R.....",  //
      ".RRRGY.",  //
      ".......",  //
  };
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF panel = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(QColor(0x18, 0x18, 0x18));
  p.drawRoundedRect(panel, 6, 6);

  const double pitch = (std::min(width(), height()) - 8.0) / 7.0;
  const double x0 = (width() - 7 * pitch) / 2, y0 = (height() - 7 * pitch) / 2;
  p.setPen(Qt::NoPen);
  for (int row = 0; row < 7; ++row) {
    for (int col = 0; col < 7; ++col) {
      QColor led(0x3a, 0x10, 0x10);  // an unlit LED
      switch (kRows[row][col]) {
        case 'R': led = QColor(0xff, 0x30, 0x20); break;
        case 'G': led = QColor(0x30, 0xe0, 0x30); break;
        case 'Y': led = QColor(0xff, 0xd8, 0x20); break;
        default: break;
      }
      const QPointF centre(x0 + (col + 0.5) * pitch, y0 + (row + 0.5) * pitch);
      p.setBrush(led);
      p.drawEllipse(centre, pitch * 0.38, pitch * 0.38);
    }
  }
}
