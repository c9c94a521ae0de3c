// SPDX-License-Identifier: MIT
#include "platform/ClassicFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace alerts::platform {

namespace {

constexpr auto kCarriedFamily = "Liberation Sans";

} // namespace

void loadClassicFont() {
    // Registered after the system's fonts, the carried files win over another
    // release of the same family that the machine may have installed. (Registered
    // from bare data instead, without a file name, the bold face loses to an
    // installed one.)
    static const bool loaded = [] {
        bool any = false;
        for (const char* file : {":/alerts/fonts/LiberationSans-Regular.ttf",
                                 ":/alerts/fonts/LiberationSans-Bold.ttf"}) {
            any = QFontDatabase::addApplicationFont(QString::fromLatin1(file)) != -1 || any;
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
