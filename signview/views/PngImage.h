#pragma once
// PNG files and bytes of window pictures.
#include <QByteArray>
#include <QImage>
#include <QString>

#include "ClientPicture.h"

QByteArray EncodePng(const ClientPicture& picture);

// Writes the picture as PNG so that a reader never sees a half-written
// file: a new file beside it, then renamed over the old one. Returns false
// (with the reason in error) when the file cannot be written.
bool WritePngAtomically(const ClientPicture& picture, const QString& path, QString* error);
bool WritePngAtomically(const QImage& picture, const QString& path, QString* error);
