// SPDX-License-Identifier: MIT
#include "platform/session/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <vector>

using alerts::platform::SingleInstance;
using namespace Qt::StringLiterals;
using Role = SingleInstance::Role;

Q_DECLARE_METATYPE(SingleInstance::Role)
Q_DECLARE_METATYPE(SingleInstance::Listen)

namespace {

constexpr int kWaitMs = 10000; // generous: the sanitized build on a busy machine

QByteArray request() {
    return SingleInstance::kRequest.toByteArray();
}

} // namespace

// Every case runs in a runtime directory of its own; the other starts are real
// processes (singleinstance_peer) doing what the program does at start.
class tst_singleinstance final : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_runtime = std::make_unique<QTemporaryDir>();
        QVERIFY(m_runtime->isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    }

    void cleanup() {
        for (const auto& peer : m_peers) {
            if (peer->state() != QProcess::NotRunning) {
                ::kill(static_cast<pid_t>(peer->processId()), SIGCONT);
                peer->kill();
                peer->waitForFinished(kWaitMs);
            }
        }
        m_peers.clear();
        m_runtime.reset();
    }

    void livesInTheRuntimeDirectory() {
        const QString dir = m_runtime->path() + QLatin1Char('/');
        QCOMPARE(SingleInstance::lockPath(), dir + "alerts.lock");
        QCOMPARE(SingleInstance::serverName(), dir + "alerts.socket");
    }

    // The program itself opens its socket once its event loop runs (its window
    // first); a second start in between waits for it.
    void secondStartRestoresThePrimary_data() {
        QTest::addColumn<SingleInstance::Listen>("when");
        QTest::addColumn<QByteArray>("token"); // the second start's launcher gave it
        QTest::newRow("listening at once") << SingleInstance::Listen::Now << QByteArray();
        QTest::newRow("listening from the event loop")
            << SingleInstance::Listen::Later << QByteArray();
        QTest::newRow("an activation token handed over")
            << SingleInstance::Listen::Later << QByteArray("sway/startup-7_x.y");
    }
    void secondStartRestoresThePrimary() {
        QFETCH(SingleInstance::Listen, when);
        QFETCH(QByteArray, token);
        qputenv("XDG_ACTIVATION_TOKEN", token);
        SingleInstance primary;
        QSignalSpy restores(&primary, &SingleInstance::restoreRequested);
        QCOMPARE(primary.start(SingleInstance::kPatience, when), Role::Primary);
        QCOMPARE(primary.isListening(), when == SingleInstance::Listen::Now);
        for (int start = 1; start <= 2; ++start) {
            QProcess& peer = startPeer();
            QTRY_COMPARE_WITH_TIMEOUT(peer.state(), QProcess::NotRunning, kWaitMs);
            QCOMPARE(peer.readAll(), QByteArray("secondary\n"));
            QCOMPARE(peer.exitStatus(), QProcess::NormalExit);
            QCOMPARE(peer.exitCode(), 0);
            QCOMPARE(restores.count(), start);
            QCOMPARE(restores.last().at(0).toByteArray(), token);
        }
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }

    // Starts at the same moment: one wins the lock, the others reach it even
    // while it is between taking the lock and listening.
    void concurrentStartsElectOnePrimary() {
        constexpr int kStarts = 4;
        for (int i = 0; i < kStarts; ++i) {
            startPeer();
        }
        QProcess* primary = nullptr;
        int secondaries = 0;
        for (const auto& peer : m_peers) {
            QVERIFY(QTest::qWaitFor([&] { return peer->canReadLine(); }, kWaitMs));
            const QByteArray role = peer->readLine();
            if (role == "primary\n") {
                QVERIFY2(primary == nullptr, "two primaries");
                primary = peer.get();
            } else {
                QCOMPARE(role, QByteArray("secondary\n"));
                QTRY_COMPARE_WITH_TIMEOUT(peer->state(), QProcess::NotRunning, kWaitMs);
                QCOMPARE(peer->exitCode(), 0);
                ++secondaries;
            }
        }
        QVERIFY(primary != nullptr);
        QCOMPARE(secondaries, kStarts - 1);
        // Each secondary ended only after its request was taken.
        const QByteArray restores = QByteArray("restore\n").repeated(kStarts - 1);
        QTRY_COMPARE_WITH_TIMEOUT(primary->bytesAvailable(), qint64{restores.size()}, kWaitMs);
        QCOMPARE(primary->readAll(), restores);
    }

    void staleStateIsTakenOver_data() {
        QTest::addColumn<QString>("left");
        // A holder killed while running leaves its lock and its socket behind.
        QTest::newRow("holder killed") << u"killed"_s;
        // Lock files naming a process that has ended, and one that runs (ids are
        // handed out again; here the new start's own), with a plain file where
        // the socket goes: only a held lock counts.
        QTest::newRow("dead pid, file in the socket's place") << u"dead"_s;
        QTest::newRow("live pid, file in the socket's place") << u"live"_s;
    }
    void staleStateIsTakenOver() {
        QFETCH(QString, left);
        if (left == u"killed"_s) {
            QProcess& holder = startPeer();
            QVERIFY(QTest::qWaitFor([&] { return holder.canReadLine(); }, kWaitMs));
            QCOMPARE(holder.readLine(), QByteArray("primary\n"));
            holder.kill();
            QVERIFY(holder.waitForFinished(kWaitMs));
        } else {
            const qint64 pid = left == u"dead"_s ? deadPid() : QCoreApplication::applicationPid();
            QFile lock(SingleInstance::lockPath());
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(pid) + "\n" +
                       QCoreApplication::applicationName().toUtf8() + "\n" +
                       QSysInfo::machineHostName().toUtf8() + "\n");
            lock.close();
            QFile socket(SingleInstance::serverName());
            QVERIFY(socket.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::exists(SingleInstance::lockPath()));
        QVERIFY(QFile::exists(SingleInstance::serverName()));

        SingleInstance next;
        QSignalSpy restores(&next, &SingleInstance::restoreRequested);
        QCOMPARE(next.start(std::chrono::milliseconds{500}), Role::Primary);
        QVERIFY(next.isListening());
        // And it is reachable in the old socket's place.
        QProcess& later = startPeer();
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, kWaitMs);
        QCOMPARE(later.exitCode(), 0);
        QCOMPARE(restores.count(), 1);
    }

    // A live holder keeps the lock however old its file: an answering one gets
    // the request, a hung one is left alone and no second primary comes up.
    void liveHolderKeepsItsPlace_data() {
        QTest::addColumn<bool>("hung");
        QTest::addColumn<SingleInstance::Role>("role");
        QTest::newRow("answering") << false << Role::Secondary;
        QTest::newRow("hung") << true << Role::Unreachable;
    }
    void liveHolderKeepsItsPlace() {
        QFETCH(bool, hung);
        QFETCH(SingleInstance::Role, role);
        QProcess& holder = startPeer();
        QVERIFY(QTest::qWaitFor([&] { return holder.canReadLine(); }, kWaitMs));
        QCOMPARE(holder.readLine(), QByteArray("primary\n"));
        {
            QFile lock(SingleInstance::lockPath());
            QVERIFY(lock.open(QIODevice::ReadWrite));
            QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                     QFileDevice::FileModificationTime));
        }
        if (hung) {
            QCOMPARE(::kill(static_cast<pid_t>(holder.processId()), SIGSTOP), 0);
        }

        SingleInstance later;
        QCOMPARE(later.start(std::chrono::milliseconds{hung ? 500 : kWaitMs}), role);
        QVERIFY(!later.isListening());

        if (hung) {
            // The request sent meanwhile is taken once the holder runs again.
            QCOMPARE(::kill(static_cast<pid_t>(holder.processId()), SIGCONT), 0);
        }
        QVERIFY(QTest::qWaitFor([&] { return holder.canReadLine(); }, kWaitMs));
        QCOMPARE(holder.readLine(), QByteArray("restore\n"));
        QCOMPARE(holder.state(), QProcess::Running);
    }

    // Whatever else reaches the socket restores nothing, and holds up nobody.
    void strayBytesAreDropped_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hangUp");  // the stray peer leaves at once
        QTest::addColumn<bool>("dropped"); // the program closes the connection
        QTest::newRow("nothing, left open") << QByteArray() << false << false;
        QTest::newRow("part of a request, left open") << request().left(7) << false << false;
        QTest::newRow("part of a request, then gone") << request().left(7) << true << false;
        QTest::newRow("other text") << QByteArray("GET / HTTP/1.0\r\n\r\n") << false << true;
        QTest::newRow("request and more") << request() + "x" << false << true;
        QTest::newRow("request, uppercase") << request().toUpper() << false << true;
        QTest::newRow("a zero byte") << QByteArray(1, '\0') << false << true;
        QTest::newRow("64 KiB of 0xff")
            << QByteArray(qsizetype{64} * 1024, '\xff') << false << true;
    }
    void strayBytesAreDropped() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hangUp);
        QFETCH(bool, dropped);
        SingleInstance primary;
        QSignalSpy restores(&primary, &SingleInstance::restoreRequested);
        QCOMPARE(primary.start(), Role::Primary);

        QLocalSocket stray;
        stray.connectToServer(SingleInstance::serverName());
        QVERIFY(stray.waitForConnected(kWaitMs));
        stray.write(bytes);
        QTRY_VERIFY_WITH_TIMEOUT(
            stray.bytesToWrite() == 0 || stray.state() == QLocalSocket::UnconnectedState, kWaitMs);
        if (hangUp) {
            stray.disconnectFromServer();
        }
        if (dropped) {
            // Well before the program gives up on a silent peer.
            QTRY_COMPARE_WITH_TIMEOUT(stray.state(), QLocalSocket::UnconnectedState,
                                      SingleInstance::kPeerTimeout.count() / 2);
            QVERIFY(stray.readAll().isEmpty());
        }

        QProcess& later = startPeer();
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, kWaitMs);
        QCOMPARE(later.readAll(), QByteArray("secondary\n"));
        QCOMPARE(restores.count(), 1);
        QVERIFY(stray.readAll().isEmpty()); // no reply for the stray peer
    }

private:
    QProcess& startPeer() {
        auto peer = std::make_unique<QProcess>();
        peer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        peer->start(QCoreApplication::applicationDirPath() + "/singleinstance_peer", {});
        m_peers.push_back(std::move(peer));
        return *m_peers.back();
    }

    // The id of a process that has ended.
    static qint64 deadPid() {
        QProcess process;
        process.start(QStringLiteral("true"), {});
        if (!process.waitForStarted(kWaitMs)) {
            return -1;
        }
        const qint64 pid = process.processId();
        process.waitForFinished(kWaitMs);
        return pid;
    }

    std::unique_ptr<QTemporaryDir> m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_peers;
};

QTEST_GUILESS_MAIN(tst_singleinstance)
#include "tst_singleinstance.moc"
