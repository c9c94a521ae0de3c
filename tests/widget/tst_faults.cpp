// SPDX-License-Identifier: MIT
// The main window against a real loopback server that misbehaves: records cut
// anywhere, dripped, malformed or hostile, and connections reset under it.
#include "core/codepage.h"
#include "support/TestServer.h"
#include "ui/frmMain.h"

#include <QLabel>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;
using namespace alerts::test;
using alerts::ui::frmMain;

namespace {

class SilentSound final : public alerts::platform::AlertSound {
public:
    void play(const QString&) override {}
};

const QByteArray kRecord = record("player7", "Chess", "Hall 2");
const QString kLine = u"player7 started a new Chess tournament on Hall 2"_s;

} // namespace

class tst_faults final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<frmMain> m_window;

    QString shown() const {
        return m_window->newAlert().isLoaded() ? m_window->newAlert().get()->alertText()
                                               : QString();
    }
    // Sends a record and waits until the popup shows its line.
    bool announcedIntact(const QByteArray& starter) {
        const QString line =
            QString::fromLatin1(starter) + u" started a new Chess tournament on Hall 2"_s;
        m_server->send(record(starter, "Chess", "Hall 2"));
        return QTest::qWaitFor([&] { return shown() == line; }, 3000);
    }

private slots:
    // Every test here stands on this road: connected, and a record announced.
    // Broken, the whole run fails now rather than each test after its waits.
    void initTestCase() {
        init();
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(announcedIntact("first"));
        cleanup();
    }
    void init() {
        m_server = std::make_unique<TestServer>();
        m_window =
            std::make_unique<frmMain>(alerts::ui::ServerEndpoint{u"127.0.0.1"_s, m_server->port()},
                                      std::make_unique<SilentSound>());
        m_window->controls().chkShow->setChecked(true);
        ALERTS_TRY_VERIFY(m_window->connection().isConnected());
    }
    void cleanup() {
        QCOMPARE(m_server->received(), 0); // nothing is ever sent to the server
        m_window.reset();
        m_server.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Two writes with a pause between them: cut anywhere up to and including the
    // fourth delimiter, the record is announced whole.
    void splitBeforeFieldFour() {
        const qsizetype fourth = kRecord.lastIndexOf('\xB3');
        for (qsizetype cut = 1; cut <= fourth; ++cut) {
            // As long as "player7", so the cut falls where it would in kRecord.
            const QByteArray starter = QByteArray::number(cut).rightJustified(7, 'p');
            const QByteArray bytes = record(starter, "Chess", "Hall 2");
            m_server->send(bytes.left(cut));
            QTest::qWait(20);
            m_server->send(bytes.mid(cut));
            ALERTS_TRY_COMPARE(shown(), QString::fromLatin1(starter) +
                                            u" started a new Chess tournament on Hall 2"_s);
        }
    }

    // Cut inside field 4: what had arrived is shown, and the next record is intact.
    void splitInsideFieldFour() {
        for (qsizetype cut = kRecord.lastIndexOf('\xB3') + 1; cut < kRecord.size(); ++cut) {
            m_server->send(kRecord.left(cut));
            QTest::qWait(20);
            m_server->send(kRecord.mid(cut));
            ALERTS_TRY_VERIFY(kLine.startsWith(shown().left(44)) && !shown().isEmpty());
            QVERIFY(announcedIntact("next" + QByteArray::number(cut)));
        }
    }

    void dripped() {
        for (const char byte : kRecord) {
            m_server->send(QByteArray(1, byte));
            QTest::qWait(50);
        }
        // Announced when its fourth delimiter came in: starter and kind whole.
        QCOMPARE(shown(), u"player7 started a new Chess tournament on "_s);
        QVERIFY(announcedIntact("after"));
    }

    void hostileInput_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // empty: nothing is announced
        QTest::newRow("nothing but delimiters")
            << "\xB3\xB3\xB3\xB3"_ba << u" started a new  tournament on "_s;
        QTest::newRow("NUL bytes")
            << record("a\0b"_ba, "\0"_ba, "c\0"_ba) << u"a\0b started a new \0 tournament on c\0"_s;
        QTest::newRow("markup")
            << record("<img src=\"/dev/zero\">", "<b>Bold</b>",
                      "<a href=\"file:///etc/passwd\">x</a>")
            << u"<img src=\"/dev/zero\"> started a new <b>Bold</b> tournament on <a href=\"file:///etc/passwd\">x</a>"_s;
        QTest::newRow("CR LF") << kRecord + "\r\n" << kLine + u"\r\n"_s;
        QByteArray every; // all but the delimiter and the starter's own marker
        for (int b = 0; b < 256; ++b) {
            if (b != 0xB3 && b != 0xE7) {
                every.append(char(b));
            }
        }
        const std::u16string everyText = alerts::core::decodeWindows1252(
            std::string_view(every.constData(), std::size_t(every.size())));
        QTest::newRow("every byte value")
            << record(every, "k", "p")
            << QString::fromStdU16String(everyText) + u" started a new k tournament on p"_s;
        // A socket never reports an empty read; the handler is handed one directly.
        QTest::newRow("empty arrival") << QByteArray() << QString();
        for (int fields = 1; fields < 5; ++fields) {
            QByteArray text = "T";
            for (int i = 1; i < fields; ++i) {
                text += "\xB3x";
            }
            QTest::addRow("%d fields", fields) << text << QString();
        }
    }
    void hostileInput() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        if (bytes.isEmpty()) {
            m_window->sckConnect_DataArrival(bytes);
        } else {
            m_server->send(bytes);
        }
        if (!expected.isEmpty()) {
            ALERTS_TRY_COMPARE(shown(), expected);
            QCOMPARE(m_window->newAlert().get()->findChild<QLabel*>(u"lblAlert"_s)->textFormat(),
                     Qt::PlainText);
        } else {
            QTest::qWait(100);
            QVERIFY(shown().isEmpty());
        }
        QTest::qWait(2100); // past the time a short text waits for its rest
        QVERIFY(announcedIntact("after"));
    }

    void megabyteRecord() {
        m_server->send(record(QByteArray(1'000'000, 'x'), "Chess", "Hall 2"));
        ALERTS_TRY_VERIFY_WITH_TIMEOUT(shown().startsWith(u"xxxxxxxx"_s), 5000);
        QVERIFY(shown().size() <= 1024);
        QVERIFY(announcedIntact("after"));
    }

    // A reset in the middle of a connection: the watchdog reconnects.
    void resetByServer() {
        QTcpSocket* socket = m_server->last();
        QVERIFY(socket);
        const linger abortive{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
        socket->close();
        ALERTS_TRY_VERIFY(!m_window->connection().isConnected());
        m_window->Timer1_Timer();
        QCOMPARE(m_window->controls().lblConnected->text(), u"Disconnected"_s);
        ALERTS_TRY_COMPARE(m_server->accepted(), 2);
        m_window->Timer4_Timer();
        ALERTS_TRY_VERIFY(m_window->connection().isConnected());
        m_window->Timer4_Timer();
        QCOMPARE(m_window->controls().lblConnected->text(), u"Connected!"_s);
        QVERIFY(announcedIntact("again"));
    }
};

QTEST_MAIN(tst_faults)
#include "tst_faults.moc"
