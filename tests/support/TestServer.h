// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDir>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <vector>

namespace alerts::test {

// How long a test waits for what a loopback peer or a timer of a few hundred
// milliseconds brings. A fault fails it after that long: QTRY_* would wait three
// times its timeout, once more to report how long it would have needed.
inline constexpr int kWaitMs = 3000;

#define ALERTS_TRY_VERIFY_WITH_TIMEOUT(expr, ms)                                                   \
    QVERIFY2(QTest::qWaitFor([&] { return bool(expr); }, ms), "timed out: " #expr)
#define ALERTS_TRY_VERIFY(expr) ALERTS_TRY_VERIFY_WITH_TIMEOUT(expr, alerts::test::kWaitMs)
// Compared once more after the wait, so that a failure shows both values.
#define ALERTS_TRY_COMPARE_WITH_TIMEOUT(actual, expected, ms)                                      \
    do {                                                                                           \
        static_cast<void>(QTest::qWaitFor([&] { return (actual) == (expected); }, ms));            \
        QCOMPARE(actual, expected);                                                                \
    } while (false)
#define ALERTS_TRY_COMPARE(actual, expected)                                                       \
    ALERTS_TRY_COMPARE_WITH_TIMEOUT(actual, expected, alerts::test::kWaitMs)

// A real server on loopback that counts what its clients send it (the program
// must send nothing).
class TestServer final : public QObject {
public:
    TestServer() {
        if (!m_server.listen(QHostAddress::LocalHost, 0)) {
            qFatal("cannot listen on loopback");
        }
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket] { m_received += socket->readAll().size(); });
                m_clients.push_back(socket);
                ++m_accepted;
            }
        });
    }
    [[nodiscard]] QString port() const { return QString::number(m_server.serverPort()); }
    [[nodiscard]] int accepted() const { return m_accepted; }
    [[nodiscard]] qint64 received() const { return m_received; }
    [[nodiscard]] QTcpSocket* last() const {
        return m_clients.empty() ? nullptr : m_clients.back();
    }
    // One write, pushed out at once.
    void send(const QByteArray& bytes) {
        if (QTcpSocket* socket = last()) {
            socket->write(bytes);
            socket->flush();
        }
    }
    void closeClients() {
        for (QTcpSocket* socket : m_clients) {
            socket->close();
        }
    }

private:
    QTcpServer m_server;
    std::vector<QTcpSocket*> m_clients;
    int m_accepted = 0;
    qint64 m_received = 0;
};

// A port on loopback where nothing listens.
inline QString deadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(probe.serverPort());
    probe.close();
    return port;
}

// A record as the server writes it: Windows-1252, fields joined by 0xB3.
inline QByteArray record(const QByteArray& starter, const QByteArray& kind,
                         const QByteArray& place) {
    return QByteArray("T\xB3\xC9") + kind + QByteArray("\xC9\xB3\xE7") + starter +
           QByteArray("\xE7\xB3"
                      "0\xB3\xFA") +
           place + QByteArray("\xFA");
}

inline int openFileCount() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace alerts::test
