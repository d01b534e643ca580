#pragma once

#include <QImage>
#include <QString>

namespace album {

// Loads a picture file; a file that cannot be read or decoded raises the toolkit error,
// naming the file and the reason. With a format (a picture type such as "bmp") the file
// is read as that type only; without one the type is told from the contents.
QImage loadPicture(const QString& path, const QByteArray& format = {});

// The two halves of loadPicture: the file's bytes, and the picture decoded from them (as
// a type the toolkit reads, or told from the contents when `format` is null).
QByteArray readPictureFile(const QString& path);
QImage decodePicture(const QString& path, const QByteArray& bytes, const QByteArray& format = {});

} // namespace album
