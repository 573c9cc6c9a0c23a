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
  return WritePngAtomically(View(picture), path, error);
}

bool WritePngAtomically(const QImage& picture, const QString& path, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}
