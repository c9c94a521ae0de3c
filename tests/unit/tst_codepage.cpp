// SPDX-License-Identifier: MIT
#include "core/codepage.h"

#include <QTest>

using alerts::core::windows1252ToUnicode;

class tst_codepage final : public QObject {
    Q_OBJECT
private slots:
    void everyByte() {
        // Windows' own table for 0x80..0x9F; undefined bytes map to their C1 control.
        const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        std::string all;
        for (int b = 0; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
        const std::u16string text = alerts::core::decodeWindows1252(all);
        QCOMPARE(text.size(), std::size_t{256});
        for (int b = 0; b < 256; ++b) {
            const char16_t expected = (b >= 0x80 && b <= 0x9F) ? high[b - 0x80] : char16_t(b);
            QCOMPARE(int(text[std::size_t(b)]), int(expected));
        }
    }

    void specialCharacters() {
        QCOMPARE(int(windows1252ToUnicode(0xB3)), 0x00B3); // superscript three
        QCOMPARE(int(windows1252ToUnicode(0xC9)), 0x00C9);
        QCOMPARE(int(windows1252ToUnicode(0xE7)), 0x00E7);
        QCOMPARE(int(windows1252ToUnicode(0xFA)), 0x00FA);
    }

    void encodeIsTheInverse() {
        for (int b = 0; b < 256; ++b) {
            const auto byte = alerts::core::unicodeToWindows1252(
                windows1252ToUnicode(static_cast<unsigned char>(b)));
            QVERIFY2(byte, qPrintable(QString::number(b, 16)));
            QCOMPARE(static_cast<unsigned char>(*byte), static_cast<unsigned char>(b));
        }
        QVERIFY(!alerts::core::unicodeToWindows1252(u'\u0100'));
        QVERIFY(!alerts::core::unicodeToWindows1252(u'\u4E2D'));
    }
};

QTEST_GUILESS_MAIN(tst_codepage)
#include "tst_codepage.moc"
