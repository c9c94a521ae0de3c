// SPDX-License-Identifier: MIT
#include "platform/look/ClassicFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

#if defined(Q_OS_WIN)
#include <utility>
#endif

namespace alerts::platform {

namespace {

// The family as it was released, and as a machine may have it installed.
constexpr auto kLiberationSans = "Liberation Sans";

// The families the carried files hold: Liberation Sans as released, or the name
// the build gave the faces when it cut them down to what the windows can show.
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

#if defined(Q_OS_WIN)
constexpr auto kClassicFamily = "MS Sans Serif";

int captionWidth(const QStringList& families) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(8.25);
    return QFontMetrics(font).horizontalAdvance(QStringLiteral("Play Alert Sound"));
}

// The designs were sized for Windows' own MS Sans Serif, whose widths the carried
// face shares. Where that name is a bitmap face (Windows' own and Wine's are), Qt
// draws it from the strike nearest in cell height, a quarter wider than the
// design, and it does not grow with the screen's scale; a scalable face of that
// name that runs wider cuts the captions off too. Either way the carried face
// takes its place. (Measured through Qt at a size it has no strike of, a bitmap
// face would also send Qt's font database through every installed family in
// search of an alias: a tenth of a second under Wine, on the way to the window.)
bool classicFaceFits() {
    static const bool fits = [] {
        const QString classic = QString::fromLatin1(kClassicFamily);
        if (!QFontDatabase::isSmoothlyScalable(classic)) {
            return false;
        }
        const QStringList carried = carriedFamilies();
        return carried.isEmpty() || captionWidth({classic}) * 10 <= captionWidth(carried) * 11;
    }();
    return fits;
}

// Dark pixels of a sample line drawn in this font.
int inkOf(const QFont& font) {
    QImage image(256, 32, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Hamburgefonstiv"));
    painter.end();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            dark += line[x] < 128 ? 1 : 0;
        }
    }
    return dark;
}

// Bold that draws no wider strokes than regular: a face with no bold of its own
// that nothing emboldens, or the carried bold face as Wine's GDI draws it at this
// size (hinted to one-pixel stems, or greyed).
bool drawsBold(const QFont& bold) {
    QFont regular = bold;
    regular.setWeight(QFont::Normal);
    return inkOf(bold) * 10 >= inkOf(regular) * 12;
}

// Windows' own successor to MS Sans Serif in its dialogs, narrow enough for the
// title's line, with a bold of its own drawn as one.
constexpr auto kDialogFamily = "Tahoma";
#endif

} // namespace

void loadClassicFont() {
    static_cast<void>(carriedFamilies());
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
    // an installed one, or Arial, has the same metrics where the carried face is missing.
    families << carriedFamilies() << QString::fromLatin1(kLiberationSans)
             << QStringLiteral("Arial");
#if defined(Q_OS_WIN)
    // The first of them installed, alone: given more than one family, Qt's Windows
    // font database works out every installed family's fallbacks at once, a tenth
    // of a second under Wine on the way to the window. A character the face lacks
    // still finds another face, as with any font.
    static const QStringList installed = [&families] {
        for (const QString& family : std::as_const(families)) {
            if (QFontDatabase::hasFamily(family)) {
                return QStringList{family};
            }
        }
        return families;
    }();
    families = installed;
#endif
    font.setFamilies(families);
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
#if defined(Q_OS_WIN)
    if (bold) {
        static const QStringList boldFamilies = [&font, &families] {
            if (drawsBold(font)) {
                return families;
            }
            QFont dialog = font;
            dialog.setFamilies(QStringList{QString::fromLatin1(kDialogFamily)} + families);
            return drawsBold(dialog) ? dialog.families() : families;
        }();
        font.setFamilies(boldFamilies);
    }
#endif
    return font;
}

} // namespace alerts::platform
