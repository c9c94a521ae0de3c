// SPDX-License-Identifier: MIT
#include "platform/ClassicFont.h"

#include <QStringList>

namespace alerts::platform {

QFont classicFont(bool bold) {
    QFont font;
    // Liberation Sans and Arial share MS Sans Serif's narrow widths closely enough
    // that every caption fits the control it was sized for.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace alerts::platform
