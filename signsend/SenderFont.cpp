#include "SenderFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont SenderFont() {
  const QStringList installed = QFontDatabase::families();
  QFont font(installed.contains(QStringLiteral("Tahoma")) ? QStringLiteral("Tahoma")
                                                           : QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  return font;
}
