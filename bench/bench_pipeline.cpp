// SPDX-License-Identifier: MIT
// Records per second through the record pipeline, ours against the plain Qt way of
// doing the same, each turning wire bytes into the line the popup shows.
//
// Ours: RecordAssembler::arrive() over the bytes, composeAnnouncement(), and the
// Windows-1252 decode into a QString, as the main window does it for each arrival.
// Qt: QString from Latin-1, split at the delimiter, remove() the markers, compose
// with operator+.

#include "BenchRow.h"
#include "core/assembly.h"
#include "core/codepage.h"
#include "core/record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace alerts;
using BenchClock = std::chrono::steady_clock;

// The main window hands at most this much of a line to the popup's label.
constexpr std::size_t kShownCharacters = 1024;

QByteArray record(const QByteArray& starter, const QByteArray& kind, const QByteArray& place,
                  const QByteArray& unread = "0") {
    QByteArray bytes;
    bytes += 'T';
    bytes += core::kFieldDelimiter;
    bytes += core::kKindMarker + kind + core::kKindMarker;
    bytes += core::kFieldDelimiter;
    bytes += core::kStarterMarker + starter + core::kStarterMarker;
    bytes += core::kFieldDelimiter;
    bytes += unread;
    bytes += core::kFieldDelimiter;
    bytes += core::kPlaceMarker + place + core::kPlaceMarker;
    return bytes;
}

// Records of 30 to 60 bytes, the size the server sends.
std::vector<QByteArray> typicalRecords() {
    const std::array<const char*, 8> starters = {"player7",
                                                 "Korvel",
                                                 "mira_77",
                                                 "Ansgar the Bold",
                                                 "Thessaly_1999",
                                                 "night.owl",
                                                 "\xD6"
                                                 "d\xF6n",
                                                 "ZeroCool"};
    const std::array<const char*, 4> kinds = {"Chess", "Blitz", "Crazyhouse", "Chess960 Rapid"};
    const std::array<const char*, 4> places = {"Hall 2", "Main Arena", "Lobby", "Hall 12 (east)"};
    std::vector<QByteArray> records;
    for (const char* starter : starters) {
        for (const char* kind : kinds) {
            for (const char* place : places) {
                records.push_back(record(starter, kind, place));
            }
        }
    }
    return records;
}

// Records of exactly 1024 bytes with markers inside the fields as well. The unread
// field 3 takes some of the bytes, so that the line fits the popup's text whole and
// both ways do the same work.
std::vector<QByteArray> kilobyteRecords() {
    std::vector<QByteArray> records;
    for (int i = 0; i < 16; ++i) {
        const QByteArray starter = QByteArray("starter") + QByteArray::number(i) +
                                   QByteArray(90, static_cast<char>('a' + i)) + '\xE7' + "x";
        const QByteArray kind = QByteArray(100, 'K') + '\xC9' + QByteArray::number(i);
        const QByteArray unread(120, '0');
        const qsizetype room = 1024 - record(starter, kind, QByteArray(), unread).size();
        QByteArray place(room, 'p');
        for (qsizetype at = 37; at < room; at += 97) {
            place[at] = '\xFA';
        }
        records.push_back(record(starter, kind, place, unread));
        if (records.back().size() != 1024) {
            std::fprintf(stderr, "bench_pipeline: a 1 KB record is %lld bytes\n",
                         static_cast<long long>(records.back().size()));
            std::exit(1);
        }
    }
    return records;
}

double averageBytes(const std::vector<QByteArray>& records) {
    double total = 0;
    for (const QByteArray& bytes : records) {
        total += static_cast<double>(bytes.size());
    }
    return total / static_cast<double>(records.size());
}

// Every result feeds this, so the compiler cannot drop the work.
std::size_t g_sink = 0;

QString oursLine(core::RecordAssembler& assembler, const QByteArray& bytes) {
    const std::optional<core::TournamentRecord> parsed = assembler.arrive(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
        core::RecordAssembler::Clock::now());
    if (!parsed) {
        return {};
    }
    const std::string line = core::composeAnnouncement(*parsed);
    return QString::fromStdU16String(
        core::decodeWindows1252(std::string_view(line).substr(0, kShownCharacters)));
}

QString qtLine(const QByteArray& bytes) {
    const QString text = QString::fromLatin1(bytes);
    const QStringList fields = text.split(QChar(0x00B3));
    if (fields.size() < 5) {
        return {};
    }
    QString kind = fields.at(1);
    kind.remove(QChar(0x00C9));
    QString starter = fields.at(2);
    starter.remove(QChar(0x00E7));
    QString place = fields.at(4);
    place.remove(QChar(0x00FA));
    return starter + QStringLiteral(" started a new ") + kind + QStringLiteral(" tournament") +
           QStringLiteral(" on ") + place;
}

// Records per second over a slice of about `slice` of work.
template <class Work>
double throughput(const std::vector<QByteArray>& records, std::chrono::milliseconds slice,
                  Work work) {
    std::size_t done = 0;
    const auto start = BenchClock::now();
    auto now = start;
    while (now - start < slice) {
        for (const QByteArray& bytes : records) {
            work(bytes);
        }
        done += records.size();
        now = BenchClock::now();
    }
    return static_cast<double>(done) / std::chrono::duration<double>(now - start).count();
}

// Both sides in alternating slices, so that a busy neighbour on the machine
// slows both alike; the median slice of each is reported.
void compare(const std::string& figure, const std::vector<QByteArray>& records, int rounds,
             std::chrono::milliseconds slice) {
    // Both ways must give the same line, or the comparison means nothing.
    core::RecordAssembler check;
    for (const QByteArray& bytes : records) {
        const QString line = oursLine(check, bytes);
        if (line.isEmpty() || line != qtLine(bytes)) {
            std::fprintf(stderr, "bench_pipeline: the two ways disagree on a record\n");
            std::exit(1);
        }
    }

    core::RecordAssembler assembler;
    std::vector<double> ours;
    std::vector<double> qt;
    for (int round = 0; round < rounds; ++round) {
        ours.push_back(throughput(records, slice, [&assembler](const QByteArray& b) {
            g_sink += static_cast<std::size_t>(oursLine(assembler, b).size());
        }));
        qt.push_back(throughput(records, slice, [](const QByteArray& b) {
            g_sink += static_cast<std::size_t>(qtLine(b).size());
        }));
    }
    bench::printRow(figure, bench::percentile(ours, 0.5), bench::percentile(qt, 0.5), "records/s",
                    bench::Better::Higher);
}

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::chrono::milliseconds slice{argc > 2 ? std::atoi(argv[2]) : 300};

    const std::vector<QByteArray> typical = typicalRecords();
    const std::vector<QByteArray> kilobyte = kilobyteRecords();
    compare("parse+compose, typical record (" + std::to_string(std::lround(averageBytes(typical))) +
                " B avg)",
            typical, rounds, slice);
    compare("parse+compose, 1 KB record", kilobyte, rounds, slice);
    return g_sink == 0 ? 1 : 0;
}
