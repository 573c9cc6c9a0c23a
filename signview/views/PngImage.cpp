#include "PngImage.h"

#include <QBuffer>
#include <QImage>
#include <QSaveFile>

namespace {
QImage View(const ClientPicture& picture) {
  return QImage(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width,
                picture.height, picture.width * 4, QImage::Format_RGB32);
}
}  // namespace

QByteArray EncodePng(const ClientPicture& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  View(picture).save(&buffer, "PNG");
  return bytes;
}

bool WritePngAtomically(const ClientPicture& picture, const QString& path, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(EncodePng(picture)) < 0 || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}
