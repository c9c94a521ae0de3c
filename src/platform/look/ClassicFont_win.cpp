// SPDX-License-Identifier: MIT
// Windows' own MS Sans Serif where it draws as the designs expect, and a bold
// that looks bold under Wine.
#include "platform/look/ClassicFont_p.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <utility>

namespace alerts::platform {

namespace {

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

} // namespace

QStringList systemFamilies(const QStringList& shared) {
    QStringList families;
    if (classicFaceFits()) {
        families << QString::fromLatin1(kClassicFamily);
    }
    families << QStringLiteral("Microsoft Sans Serif") << shared;
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
    return installed;
}

void makeBoldLookBold(QFont& font, const QStringList& families) {
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

} // namespace alerts::platform
