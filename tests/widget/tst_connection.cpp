// SPDX-License-Identifier: MIT
// The connection's read path against a real loopback server: after a burst of
// any size the next record still arrives and the server's close is still seen,
// and the watchdog's check finds what a lost read notification left behind.
#include "net/ServerConnection.h"
#include "support/TestServer.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace alerts::test;
using alerts::net::ServerConnection;

class tst_connection final : public QObject {
    Q_OBJECT

    TestServer m_server;
    std::unique_ptr<ServerConnection> m_connection;
    QByteArray m_arrived;

private slots:
    void init() {
        m_arrived.clear();
        m_connection = std::make_unique<ServerConnection>();
        connect(m_connection.get(), &ServerConnection::dataArrived, this,
                [this](const QByteArray& bytes) { m_arrived += bytes; });
        const int accepted = m_server.accepted();
        m_connection->connectToServer(u"127.0.0.1"_s, m_server.port());
        ALERTS_TRY_VERIFY(m_connection->isConnected() && m_server.accepted() > accepted);
    }
    void cleanup() {
        QCOMPARE(m_server.received(), 0);
        m_connection.reset();
    }

    void afterBurst_data() {
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("one byte over the read buffer")
            << qsizetype{ServerConnection::kReadBufferSize + 1};
        QTest::newRow("1 MB") << qsizetype{1024 * 1024};
        QTest::newRow("8 MB") << qsizetype{8 * 1024 * 1024};
    }
    // One write far larger than the read buffer, then a record, then the close.
    void afterBurst() {
        QFETCH(qsizetype, size);
        const QByteArray after = record("after", "Chess", "Hall 2");
        m_server.send(QByteArray(size, 'x'));
        ALERTS_TRY_COMPARE_WITH_TIMEOUT(m_arrived.size(), size, 20000);
        m_server.send(after);
        ALERTS_TRY_VERIFY(m_arrived.endsWith(after));
        QCOMPARE(m_arrived.size(), size + after.size());
        m_server.last()->disconnectFromHost();
        ALERTS_TRY_VERIFY(!m_connection->isConnected());
    }

    // A handler that runs an event loop of its own while the next record comes in.
    void arrivalDuringHandler() {
        const QByteArray first = record("first", "Chess", "Hall 2");
        const QByteArray second = record("second", "Chess", "Hall 2");
        bool nested = false;
        connect(m_connection.get(), &ServerConnection::dataArrived, this, [&] {
            if (!std::exchange(nested, true)) {
                m_server.send(second);
                QTest::qWait(200);
            }
        });
        m_server.send(first);
        ALERTS_TRY_COMPARE(m_arrived, first + second);
    }

    // No read notification comes any more: the check takes the waiting bytes, and
    // then sees the close.
    void checkFindsWhatWasNotNotified() {
        auto* socket = m_connection->findChild<QTcpSocket*>();
        QVERIFY(socket);
        for (QSocketNotifier* notifier : socket->findChildren<QSocketNotifier*>()) {
            if (notifier->type() == QSocketNotifier::Read) {
                notifier->setEnabled(false);
            }
        }
        const QByteArray bytes = record("unnoticed", "Chess", "Hall 2");
        m_server.send(bytes);
        QTest::qWait(200);
        QVERIFY(m_arrived.isEmpty());
        ALERTS_TRY_VERIFY(m_connection->confirmConnected() && m_arrived == bytes);
        m_server.last()->disconnectFromHost();
        ALERTS_TRY_VERIFY(!m_connection->confirmConnected());
    }
};

QTEST_GUILESS_MAIN(tst_connection)
#include "tst_connection.moc"
