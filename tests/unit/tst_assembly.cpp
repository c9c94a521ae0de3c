// SPDX-License-Identifier: MIT
#include "core/assembly.h"
#include "core/record.h"

#include <QTest>

#include <random>

using alerts::core::RecordAssembler;
using alerts::core::TournamentRecord;
using namespace std::chrono_literals;

namespace {
// T³ÉChessÉ³çplayer7ç³0³úHall 2ú
const std::string kRecord("T\xB3\xC9"
                          "Chess\xC9\xB3\xE7player7\xE7\xB3"
                          "0\xB3\xFAHall 2\xFA");
const std::string kLine("player7 started a new Chess tournament on Hall 2");
const RecordAssembler::Clock::time_point kStart{};

std::string lineOf(const std::optional<TournamentRecord>& record) {
    return record ? alerts::core::composeAnnouncement(*record) : std::string("<none>");
}
} // namespace

class tst_assembly final : public QObject {
    Q_OBJECT
private slots:
    // Read whole, a text gives exactly what parsing it at once gives.
    void sameAsParsingWhole_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("example") << QByteArray::fromStdString(kRecord);
        QTest::newRow("five empty fields") << QByteArray("\xB3\xB3\xB3\xB3");
        QTest::newRow("line end kept") << QByteArray::fromStdString(kRecord + "\r\n");
        QTest::newRow("two records") << QByteArray::fromStdString(kRecord + kRecord);
        QTest::newRow("markers everywhere")
            << QByteArray("\xC9\xE7\xFA\xB3\xC9\xE7\xFA\xB3\xC9\xE7\xFA\xB3\xC9\xB3\xFA\xE7\xC9");
    }
    void sameAsParsingWhole() {
        QFETCH(QByteArray, text);
        RecordAssembler assembler;
        const auto read = assembler.arrive(text.toStdString(), kStart);
        QVERIFY(read);
        QCOMPARE(*read, *alerts::core::parseRecord(text.toStdString()));
        QCOMPARE(assembler.keptBytes(), std::size_t{0});
    }

    // A cut anywhere up to and including the fourth delimiter still announces the whole record.
    void splitBeforeFieldFour() {
        const std::size_t fourth = kRecord.rfind('\xB3');
        for (std::size_t cut = 0; cut <= fourth; ++cut) {
            RecordAssembler assembler;
            const auto first = assembler.arrive(std::string_view(kRecord).substr(0, cut), kStart);
            QVERIFY2(!first, qPrintable(QString::number(cut)));
            const auto second =
                assembler.arrive(std::string_view(kRecord).substr(cut), kStart + 100ms);
            QCOMPARE(lineOf(second), kLine);
        }
    }

    // Cut inside field 4: what had arrived is announced, and the rest cannot spoil the next record.
    void splitInsideFieldFour() {
        for (std::size_t cut = kRecord.rfind('\xB3') + 1; cut < kRecord.size(); ++cut) {
            RecordAssembler assembler;
            const auto first = assembler.arrive(std::string_view(kRecord).substr(0, cut), kStart);
            QVERIFY(first);
            QVERIFY(kLine.starts_with(lineOf(first)));
            QVERIFY(!assembler.arrive(std::string_view(kRecord).substr(cut), kStart + 10ms));
            QCOMPARE(lineOf(assembler.arrive(kRecord, kStart + 20ms)), kLine);
        }
    }

    void keptFor_data() {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("joined");
        QTest::newRow("at once") << 0 << true;
        QTest::newRow("at 2 s") << 2000 << true;
        QTest::newRow("just after 2 s") << 2001 << false;
    }
    void keptFor() {
        QFETCH(int, gapMs);
        QFETCH(bool, joined);
        RecordAssembler assembler;
        QVERIFY(!assembler.arrive("T\xB3\xC9"
                                  "Ch",
                                  kStart));
        const auto record = assembler.arrive("ess\xC9\xB3s\xB3\x30\xB3p\xB3q",
                                             kStart + std::chrono::milliseconds(gapMs));
        QVERIFY(record);
        // Stale, the first part is dropped and the rest read from its start as field 0.
        QCOMPARE(record->kind, std::string(joined ? "Chess" : "s"));
        QCOMPARE(assembler.keptBytes(), std::size_t{0});
    }

    // A record of any length is read in bounded memory and announced as far as it can be shown.
    void longFields_data() {
        QTest::addColumn<int>("field");
        QTest::newRow("kind") << 1;
        QTest::newRow("starter") << 2;
        QTest::newRow("place") << 4;
        QTest::newRow("field 0") << 0;
        QTest::newRow("field 3") << 3;
    }
    void longFields() {
        QFETCH(int, field);
        std::string text;
        for (int i = 0; i < 5; ++i) {
            text += i == field ? std::string(1'000'000, 'x') : std::string("f") + char('0' + i);
            text += i < 4 ? "\xB3" : "";
        }
        RecordAssembler assembler;
        std::optional<TournamentRecord> record;
        int records = 0;
        for (std::size_t at = 0; at < text.size(); at += 64 * 1024) {
            if (auto read =
                    assembler.arrive(std::string_view(text).substr(at, 64 * 1024), kStart)) {
                record = std::move(read);
                ++records;
            }
            QVERIFY(assembler.keptBytes() <= 3 * RecordAssembler::kMaxFieldBytes);
        }
        QCOMPARE(records, 1);
        QVERIFY(record);
        const std::string capped(RecordAssembler::kMaxFieldBytes, 'x');
        QCOMPARE(record->kind, field == 1 ? capped : std::string("f1"));
        QCOMPARE(record->starter, field == 2 ? capped : std::string("f2"));
        QCOMPARE(record->place, field == 4 ? capped : std::string("f4"));
    }

    // The cap counts cleaned bytes: markers never crowd out what is shown.
    void capAfterCleaning() {
        RecordAssembler assembler;
        const std::string kind = std::string(5000, '\xC9') + "Chess";
        const auto record = assembler.arrive("T\xB3" + kind + "\xB3s\xB3\x30\xB3p", kStart);
        QVERIFY(record);
        QCOMPARE(record->kind, std::string("Chess"));
    }

    // One byte at a time: the record is announced as soon as its fourth delimiter is in.
    void dripped() {
        RecordAssembler assembler;
        int announced = 0;
        for (std::size_t i = 0; i < kRecord.size(); ++i) {
            const auto record = assembler.arrive(std::string_view(kRecord).substr(i, 1),
                                                 kStart + std::chrono::milliseconds(50 * i));
            if (record) {
                ++announced;
                QCOMPARE(lineOf(record), std::string("player7 started a new Chess tournament on "));
            }
        }
        QCOMPARE(announced, 1);
    }

    // Arbitrary cuts of a stream of whole records: every record whose four delimiters
    // arrive together with its start is announced intact.
    void randomCutsNeverCorruptLaterRecords() {
        std::mt19937 random(7);
        for (int round = 0; round < 200; ++round) {
            RecordAssembler assembler;
            // First a record cut inside field 4, then a whole one.
            const std::size_t cut = kRecord.rfind('\xB3') + 1 + random() % 8;
            assembler.arrive(std::string_view(kRecord).substr(0, cut), kStart);
            assembler.arrive(std::string_view(kRecord).substr(cut), kStart);
            QCOMPARE(lineOf(assembler.arrive(kRecord, kStart)), kLine);
        }
    }

    void emptyArrivalKeepsNothing() {
        RecordAssembler assembler;
        QVERIFY(!assembler.arrive("", kStart));
        QCOMPARE(assembler.keptBytes(), std::size_t{0});
        QCOMPARE(lineOf(assembler.arrive(kRecord, kStart)), kLine);
    }
};

QTEST_GUILESS_MAIN(tst_assembly)
#include "tst_assembly.moc"
