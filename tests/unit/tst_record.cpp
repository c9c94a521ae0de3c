// SPDX-License-Identifier: MIT
#include "core/codepage.h"
#include "core/record.h"

#include <QTest>

#include <string>

using namespace Qt::StringLiterals;
using alerts::core::composeAnnouncement;
using alerts::core::parseRecord;

namespace {

// Test data is written as UTF-8 and sent as Windows-1252, as the server would.
std::string wire(const QString& text) {
    std::string bytes;
    for (const QChar ch : text) {
        const auto byte = alerts::core::unicodeToWindows1252(ch.unicode());
        bytes.push_back(byte ? *byte : '?');
    }
    return bytes;
}

QString shown(const std::string& bytes) {
    return QString::fromStdU16String(alerts::core::decodeWindows1252(bytes));
}

} // namespace

class tst_record final : public QObject {
    Q_OBJECT
private slots:
    void exampleBytes() {
        const QByteArray example = QByteArray::fromHex(
            "54B3C943686573 73C9B3E7706C61796572 37E7B330B3FA48616C6C2032FA"_ba.replace(' ', ""));
        QCOMPARE(example.size(), 30);
        const auto record = parseRecord(std::string_view(example.constData(), 30));
        QVERIFY(record);
        QCOMPARE(shown(record->kind), QStringLiteral("Chess"));
        QCOMPARE(shown(record->starter), QStringLiteral("player7"));
        QCOMPARE(shown(record->place), QStringLiteral("Hall 2"));
        QCOMPARE(shown(composeAnnouncement(*record)),
                 QStringLiteral("player7 started a new Chess tournament on Hall 2"));
    }

    void announcement_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("line end kept in place")
            << u"T³ÉBlitzÉ³çannaç³0³úHall 1ú\r\n"_s
            << u"anna started a new Blitz tournament on Hall 1\r\n"_s;
        QTest::newRow("five empty fields") << u"³³³³"_s << u" started a new  tournament on "_s;
        QTest::newRow("more than five fields")
            << u"T³ÉBlitzÉ³çannaç³0³úHall 1ú³extra³ÉmoreÉ"_s
            << u"anna started a new Blitz tournament on Hall 1"_s;
        QTest::newRow("two records in one arrival")
            << u"T³ÉBlitzÉ³çannaç³0³úHall 1úT³ÉChessÉ³çbobç³0³úHall 2ú"_s
            << u"anna started a new Blitz tournament on Hall 1T"_s;
        QTest::newRow("markers of other fields kept")
            << u"T³ÉBlúitzçÉ³çanÉnaúç³0³úHaçllÉ 1ú"_s
            << u"anÉnaú started a new Blúitzç tournament on HaçllÉ 1"_s;
        QTest::newRow("case variants of markers kept")
            << u"T³éBlitzé³ÇannaÇ³0³ÚHall 1Ú"_s
            << u"ÇannaÇ started a new éBlitzé tournament on ÚHall 1Ú"_s;
        QTest::newRow("markers removed everywhere in their field")
            << u"³ÉÉBÉlÉ³ççaçç³³úúHúallú"_s << u"a started a new Bl tournament on Hall"_s;
        QTest::newRow("spaces and tabs untouched")
            << u"T³ \tBlitz \t³  anna ³0³ Hall 1 "_s
            << u"  anna  started a new  \tBlitz \t tournament on  Hall 1 "_s;
        QTest::newRow("markup stays text")
            << u"T³<b>Bold</b>³<img src=\"/dev/zero\">³0³<a href=x>x</a>"_s
            << u"<img src=\"/dev/zero\"> started a new <b>Bold</b> tournament on <a href=x>x</a>"_s;
        QTest::newRow("field zero not read")
            << u"anything at all³K³S³ignored³P"_s << u"S started a new K tournament on P"_s;
    }
    void announcement() {
        QFETCH(QString, text);
        QFETCH(QString, line);
        const auto record = parseRecord(wire(text));
        QVERIFY(record);
        QCOMPARE(shown(composeAnnouncement(*record)), line);
    }

    void tooFewFields_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one field") << u"T"_s;
        QTest::newRow("four fields") << u"T³ÉBlitzÉ³çannaç³0"_s;
        QTest::newRow("four fields, trailing text") << u"T³ÉBlitzÉ³çannaç³0úHall 1ú"_s;
    }
    void tooFewFields() {
        QFETCH(QString, text);
        QVERIFY(!parseRecord(wire(text)));
    }

    void nulBytesAreCharacters() {
        const std::string text("T\xB3K\0ind\xB3S\0\xB3\x30\xB3P\0", 15);
        const auto record = parseRecord(text);
        QVERIFY(record);
        QCOMPARE(record->kind, std::string("K\0ind", 5));
        QCOMPARE(record->starter, std::string("S\0", 2));
        QCOMPARE(record->place, std::string("P\0", 2));
    }

    void megabyteRecord() {
        std::string text = "T\xB3\xC9";
        text.append(1'000'000, 'x');
        text += "\xC9\xB3\xE7p\xE7\xB3\x30\xB3\xFAhall\xFA";
        const auto record = parseRecord(text);
        QVERIFY(record);
        QCOMPARE(record->kind.size(), std::size_t{1'000'000});
        QCOMPARE(record->place, std::string("hall"));
    }
};

QTEST_GUILESS_MAIN(tst_record)
#include "tst_record.moc"
