// SPDX-License-Identifier: MIT
#include "platform/ClassicFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace alerts::platform {

namespace {

constexpr auto kCarriedFamily = "Liberation Sans";

#if defined(Q_OS_WIN)
constexpr auto kClassicFamily = "MS Sans Serif";

int captionWidth(const char* family) {
    QFont font;
    font.setFamilies({QString::fromLatin1(family)});
    font.setPointSizeF(8.25);
    return QFontMetrics(font).horizontalAdvance(QStringLiteral("Play Alert Sound"));
}

// The designs were sized for Windows' own MS Sans Serif, whose widths the carried
// face shares. A face under that name that runs wider (Wine's stand-in, 20 %)
// cuts the captions off, and the carried face takes its place.
bool classicFaceFits() {
    static const bool fits = [] {
        loadClassicFont();
        return captionWidth(kClassicFamily) * 10 <= captionWidth(kCarriedFamily) * 11;
    }();
    return fits;
}
#endif

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
    if (classicFaceFits()) {
        families << QString::fromLatin1(kClassicFamily);
    }
    families << QStringLiteral("Microsoft Sans Serif");
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
