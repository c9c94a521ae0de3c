// SPDX-License-Identifier: MIT
#include "platform/look/ClassicFont.h"

#include "platform/look/ClassicFont_p.h"

#include <QFontDatabase>

namespace alerts::platform {

namespace {

// The family as it was released, and as a machine may have it installed.
constexpr auto kLiberationSans = "Liberation Sans";

} // namespace

const QStringList& carriedFamilies() {
    // Registered after the system's fonts, the carried files win over another
    // release of the same family that the machine may have installed. (Registered
    // from bare data instead, without a file name, the bold face loses to an
    // installed one.)
    static const QStringList families = [] {
        QStringList found;
        for (const char* file : {":/alerts/fonts/Regular.ttf", ":/alerts/fonts/Bold.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
            for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
                if (!found.contains(family)) {
                    found << family;
                }
            }
        }
        return found;
    }();
    return families;
}

void loadClassicFont() {
    static_cast<void>(carriedFamilies());
}

QFont classicFont(bool bold) {
    loadClassicFont();
    QFont font;
    // Liberation Sans shares the narrow widths the designs were sized for;
    // an installed one, or Arial, has the same metrics where the carried face is missing.
    QStringList shared = carriedFamilies();
    shared << QString::fromLatin1(kLiberationSans) << QStringLiteral("Arial");
    const QStringList families = systemFamilies(shared);
    font.setFamilies(families);
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    if (bold) {
        makeBoldLookBold(font, families);
    }
    return font;
}

} // namespace alerts::platform
