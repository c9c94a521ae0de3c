// SPDX-License-Identifier: MIT
#include "platform/ClassicFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>
#include <QStringList>

namespace alerts::platform {

namespace {

constexpr auto kCarriedFamily = "Liberation Sans";

int addFace(const QString& path) {
    // An uncompressed resource is read where it lies in the program file: only
    // the pages the font engine touches are ever loaded.
    const QResource resource(path);
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression) {
        return QFontDatabase::addApplicationFontFromData(
            QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                    static_cast<qsizetype>(resource.size())));
    }
    return QFontDatabase::addApplicationFont(path);
}

} // namespace

void loadClassicFont() {
    // Registered after the system's fonts, the carried files win over another
    // release of the same family that the machine may have installed.
    static const bool loaded = [] {
        bool any = false;
        for (const char* file : {":/alerts/fonts/LiberationSans-Regular.ttf",
                                 ":/alerts/fonts/LiberationSans-Bold.ttf"}) {
            any = addFace(QString::fromLatin1(file)) != -1 || any;
        }
        return any;
    }();
    Q_UNUSED(loaded);
}

QFont classicFont(bool bold) {
    loadClassicFont();
    QFont font;
    QStringList families;
#if defined(Q_OS_WIN)
    families << QStringLiteral("MS Sans Serif") << QStringLiteral("Microsoft Sans Serif");
#endif
    // Liberation Sans shares the narrow widths the designs were sized for;
    // Arial has the same metrics where the carried face is missing.
    families << QString::fromLatin1(kCarriedFamily) << QStringLiteral("Arial");
    font.setFamilies(families);
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace alerts::platform
