// SPDX-License-Identifier: MIT
#include "platform/look/ProgramIcon.h"

#include <QImageReader>
#include <QPixmap>

namespace alerts::platform {

namespace {

// Read with Qt's own PNG reader. Left to detect the format, as QIcon::addFile
// leaves it, Qt first loads every image format plugin it has (GIF, ICO, JPEG
// and libjpeg) to ask each whether it reads PNG: 2.2 M instructions on the way
// to the first window.
QPixmap picture(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QIcon programIcon(bool enlargement) {
    QIcon icon(picture(QStringLiteral(":/alerts/icon.png")));
    if (enlargement) {
        icon.addPixmap(picture(QStringLiteral(":/alerts/icon-256.png")));
    }
    return icon;
}

} // namespace alerts::platform
