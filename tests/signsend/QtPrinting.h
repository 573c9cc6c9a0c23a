#pragma once
// Lets GoogleTest show the Qt values of failed checks.
#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{';
  for (qsizetype i = 0; i < texts.size(); ++i) {
    if (i > 0) *out << ", ";
    PrintTo(texts[i], out);
  }
  *out << '}';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
  *out << bytes.toHex(' ').toStdString();
}

inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << 'x' << size.height(); }

inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}
