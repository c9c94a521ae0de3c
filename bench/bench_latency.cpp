// SPDX-License-Identifier: MIT
// From the server's write on loopback to the popup's lblAlert holding the new line,
// against the same write read by a bare QTcpSocket in the same process.
//
// Both sides are measured in turns, record by record, spinning the event loop until
// the result is there. Run it with QT_QPA_PLATFORM=offscreen.

#include "BenchRow.h"
#include "platform/sound/AlertSound.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace alerts;
using BenchClock = std::chrono::steady_clock;

constexpr int kWarmUpRecords = 20;
constexpr int kTimeoutMs = 5000;

// Nothing must play while the benchmark runs.
class SilentSound final : public platform::AlertSound {
public:
    void play(const QString& /*path*/) override {}
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "bench_latency: %s\n", what);
    std::exit(1);
}

// Spins the event loop until `done` holds; false on time-out.
bool spinUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > kTimeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

QTcpSocket* acceptOne(QTcpServer& server) {
    if (!spinUntil([&server] { return server.hasPendingConnections(); })) {
        fail("no connection came in");
    }
    QTcpSocket* socket = server.nextPendingConnection();
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return socket;
}

// A distinct record each time, so the label's text changes with every one.
QByteArray record(int i) {
    QByteArray bytes("T\xB3\xC9"
                     "Blitz\xC9\xB3\xE7player");
    bytes += QByteArray::number(i);
    bytes += "\xE7\xB3"
             "0\xB3\xFA"
             "Hall 2\xFA";
    return bytes;
}

QString line(int i) {
    return QStringLiteral("player%1 started a new Blitz tournament on Hall 2").arg(i);
}

double microseconds(BenchClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;

    // Ours: the main window connected to a server of our own.
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        fail("cannot listen on loopback");
    }
    ui::frmMain window(
        ui::ServerEndpoint{QStringLiteral("127.0.0.1"), QString::number(server.serverPort())},
        std::make_unique<SilentSound>());
    window.controls().chkShow->click(); // "Show Alert Box": the popup alone
    if (!window.controls().chkShow->isChecked()) {
        fail("\"Show Alert Box\" did not take");
    }
    QTcpSocket* toWindow = acceptOne(server);

    // Baseline: a bare socket reading the same bytes.
    QTcpServer bareServer;
    if (!bareServer.listen(QHostAddress::LocalHost, 0)) {
        fail("cannot listen on loopback");
    }
    QTcpSocket reader;
    qint64 received = 0;
    QObject::connect(&reader, &QTcpSocket::readyRead,
                     [&reader, &received] { received += reader.readAll().size(); });
    reader.connectToHost(QHostAddress::LocalHost, bareServer.serverPort(), QIODevice::ReadOnly);
    QTcpSocket* toReader = acceptOne(bareServer);
    if (!spinUntil([&window] { return window.connection().isConnected(); }) ||
        !spinUntil([&reader] { return reader.state() == QAbstractSocket::ConnectedState; })) {
        fail("the clients did not connect");
    }

    const auto shown = [&window] {
        const auto* popup = window.newAlert().get();
        return popup != nullptr ? popup->alertText() : QString();
    };

    const auto measureOurs = [&](int i) {
        const QByteArray bytes = record(i);
        const QString expected = line(i);
        const auto start = BenchClock::now();
        toWindow->write(bytes);
        toWindow->flush();
        if (!spinUntil([&] { return shown() == expected; })) {
            fail("the popup never showed the line");
        }
        return microseconds(BenchClock::now() - start);
    };
    const auto measureBare = [&](int i) {
        const QByteArray bytes = record(i);
        received = 0;
        const auto start = BenchClock::now();
        toReader->write(bytes);
        toReader->flush();
        if (!spinUntil([&] { return received == bytes.size(); })) {
            fail("the bare socket never read the record");
        }
        return microseconds(BenchClock::now() - start);
    };

    // Turn about which side goes first, so neither always follows the other's work.
    std::vector<double> ours;
    std::vector<double> bare;
    for (int i = 0; i < kWarmUpRecords + count; ++i) {
        double oursTook = 0;
        double bareTook = 0;
        if (i % 2 == 0) {
            oursTook = measureOurs(i);
            bareTook = measureBare(i);
        } else {
            bareTook = measureBare(i);
            oursTook = measureOurs(i);
        }
        if (i >= kWarmUpRecords) {
            ours.push_back(oursTook);
            bare.push_back(bareTook);
        }
    }

    bench::printRow("write -> lblAlert latency, p50", bench::percentile(ours, 0.50),
                    bench::percentile(bare, 0.50), "us", bench::Better::Lower);
    bench::printRow("write -> lblAlert latency, p99", bench::percentile(ours, 0.99),
                    bench::percentile(bare, 0.99), "us", bench::Better::Lower);
    window.cmdExit_Click();
    return 0;
}
