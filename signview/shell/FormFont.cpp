#include "FormFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont FormFont() {
  const QStringList families = QFontDatabase::families();
  QFont font(families.contains(QStringLiteral("Arial")) ? QStringLiteral("Arial")
                                                         : QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  return font;
}
