// SPDX-License-Identifier: MIT
#include "platform/session/Clocks.h"
#include "support/TestServer.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using alerts::ui::frmMain;
using namespace alerts::test;
using Reach = QNetworkInformation::Reachability;

namespace {

// A watchdog tick, or a reachability change, at a time given in seconds since the
// window loaded: on the monotonic clock (awake) and on the wall clock; and
// whether it must replace the connection.
struct Event {
    bool tick = true;
    Reach reachability = Reach::Unknown;
    bool renews = false;
    int awake = 0;
    int wall = 0;
};
using Events = std::vector<Event>;
Event tickAt(int awake, int wall, bool renews) {
    return {true, Reach::Unknown, renews, awake, wall};
}
Event network(Reach reachability, bool renews, int awake = 0, int wall = 0) {
    return {false, reachability, renews, awake, wall};
}

// Records every play request and what the popup showed at that moment.
struct SoundLog {
    struct Play {
        QString path;
        bool popupVisible = false;
        QString popupText;
    };
    std::vector<Play> plays;
    frmMain* window = nullptr;
};

class RecordingSound final : public alerts::platform::AlertSound {
public:
    explicit RecordingSound(SoundLog& log) : m_log(log) {}
    void play(const QString& path) override {
        SoundLog::Play entry;
        entry.path = path;
        if (m_log.window && m_log.window->newAlert().isLoaded()) {
            auto* popup = m_log.window->newAlert().get();
            entry.popupVisible = popup->isShown();
            entry.popupText = popup->alertText();
        }
        m_log.plays.push_back(entry);
    }

private:
    SoundLog& m_log;
};

[[maybe_unused]] long residentKiB() {
    QFile status(u"/proc/self/status"_s);
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

} // namespace
Q_DECLARE_METATYPE(Events)

class tst_frmmain final : public QObject {
    Q_OBJECT

    class EventWatcher final : public QObject {
    public:
        EventWatcher(QEvent::Type type, std::function<void()> seen)
            : m_type(type), m_seen(std::move(seen)) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == m_type) {
                m_seen();
            }
            return QObject::eventFilter(watched, event);
        }

    private:
        QEvent::Type m_type;
        std::function<void()> m_seen;
    };

    // Nothing changes the caption while a window runs; cleanup() checks every test.
    int m_captionChanges = 0;
    EventWatcher m_captionWatch{QEvent::WindowTitleChange, [this] { ++m_captionChanges; }};

    std::unique_ptr<frmMain> make(const QString& port, SoundLog* log = nullptr,
                                  const QString& host = u"127.0.0.1"_s) {
        std::unique_ptr<alerts::platform::AlertSound> sound;
        if (log) {
            sound = std::make_unique<RecordingSound>(*log);
        }
        auto window =
            std::make_unique<frmMain>(alerts::ui::ServerEndpoint{host, port}, std::move(sound));
        if (log) {
            log->window = window.get();
        }
        window->installEventFilter(&m_captionWatch);
        return window;
    }

    // No button is the window's default, however it was made one: the properties
    // stay off, and Enter or Escape on a check box presses none of the three.
    static void verifyNoDefaultButton(frmMain& w) {
        auto& ui = w.controls();
        QStringList pressed;
        std::vector<QMetaObject::Connection> spies;
        for (QPushButton* button : {ui.cmdConnect, ui.cmdHide, ui.cmdExit}) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->text()));
            spies.push_back(QObject::connect(button, &QAbstractButton::pressed, button,
                                             [&pressed, button] { pressed << button->text(); }));
        }
        for (QCheckBox* box : {ui.chkShow, ui.chkBoth, ui.chkSound, ui.chkDisable}) {
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
                QTest::keyClick(box, key);
            }
        }
        for (const QMetaObject::Connection& spy : spies) {
            QObject::disconnect(spy);
        }
        QCOMPARE(pressed, QStringList());
        QVERIFY(!w.isUnloaded());
        QVERIFY(!w.isMinimized());
    }

private slots:
    // Most tests here stand on this road: connected, and a record announced.
    // Broken, the whole run fails now rather than each test after its waits.
    void initTestCase() {
        TestServer server;
        auto w = make(server.port());
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        server.send(record("player7", "Chess", "Hall 2"));
        ALERTS_TRY_VERIFY(w->newAlert().isLoaded());
        QCOMPARE(w->newAlert().get()->alertText(),
                 u"player7 started a new Chess tournament on Hall 2"_s);
        w->cmdExit_Click();
    }
    void cleanup() { QCOMPARE(std::exchange(m_captionChanges, 0), 0); }

    void startUpState() {
        TestServer server;
        auto w = make(server.port());
        auto& ui = w->controls();
        QCOMPARE(ui.lblConnected->text(), u"Not Connected"_s);
        QVERIFY(ui.chkBoth->isChecked());
        QVERIFY(!ui.chkShow->isChecked() && !ui.chkSound->isChecked() &&
                !ui.chkDisable->isChecked());
        QVERIFY(ui.cmdConnect->isEnabled());
        QVERIFY(w->timer1().isActive());
        QCOMPARE(w->timer1().interval(), 10000);
        QVERIFY(w->timer4().isActive());
        QCOMPARE(w->timer4().interval(), 100);
        QCOMPARE(w->windowTitle(), u"Zuded Orazaviz"_s);
        // The attempt is under way as soon as the window has loaded.
        ALERTS_TRY_COMPARE(server.accepted(), 1);
    }

    void design() {
        TestServer server;
        auto w = make(server.port());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->size(), QSize(204, 176));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        auto& ui = w->controls();
        QCOMPARE(ui.chkShow->geometry(), QRect(16, 24, 97, 17));
        QCOMPARE(ui.cmdExit->geometry(), QRect(136, 104, 57, 25));
        QCOMPARE(ui.lblConnected->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        // The frame lies behind the boxes, so clicks reach them.
        QCOMPARE(w->childAt(ui.chkShow->geometry().center()), ui.chkShow);
        // No menu bar: the "Systray" menu is never shown on the window.
        for (const QMenuBar* bar : w->findChildren<QMenuBar*>()) {
            QVERIFY2(!bar->isVisible(), "a menu bar is shown on the window");
        }
    }

    void focusAndTabOrder() {
        TestServer server;
        auto w = make(server.port());
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        auto& ui = w->controls();
        QCOMPARE(QApplication::focusWidget(), ui.chkShow);
        const QWidget* expected[] = {ui.chkSound, ui.chkBoth, ui.chkDisable,
                                     ui.cmdHide,  ui.cmdExit, ui.cmdConnect};
        for (const QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // Each button has had the focus, which makes an auto-default button the default.
        verifyNoDefaultButton(*w);
    }

    void confirmsWithinOnePoll() {
        TestServer server;
        auto w = make(server.port());
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        w->Timer4_Timer();
        auto& ui = w->controls();
        QCOMPARE(ui.lblConnected->text(), u"Connected!"_s);
        QVERIFY(!ui.cmdConnect->isEnabled());
        QVERIFY(!w->timer4().isActive());
        // A watchdog tick while connected changes nothing.
        w->Timer1_Timer();
        QCOMPARE(ui.lblConnected->text(), u"Connected!"_s);
        QCOMPARE(server.accepted(), 1);
    }

    // Every new connection probes a silent peer, so a vanished server is noticed.
    void keepAliveOnEveryConnection() {
        TestServer server;
        auto w = make(server.port());
        for (int connection = 1; connection <= 2; ++connection) {
            ALERTS_TRY_VERIFY(w->connection().isConnected());
            const int fd = int(w->connection().nativeDescriptor());
            const auto option = [fd](int level, int name) {
                int value = 0;
                socklen_t size = sizeof value;
                ::getsockopt(fd, level, name, &value, &size);
                return value;
            };
            QCOMPARE(option(SOL_SOCKET, SO_KEEPALIVE), 1);
            QCOMPARE(option(IPPROTO_TCP, TCP_KEEPIDLE), 30);
            QCOMPARE(option(IPPROTO_TCP, TCP_KEEPINTVL), 10);
            QCOMPARE(option(IPPROTO_TCP, TCP_KEEPCNT), 3);
            server.closeClients();
            ALERTS_TRY_VERIFY(!w->connection().isConnected());
            w->Timer1_Timer();
        }
    }

    void confirmsInRealTime() {
        TestServer server;
        auto w = make(server.port());
        ALERTS_TRY_COMPARE_WITH_TIMEOUT(w->controls().lblConnected->text(), u"Connected!"_s, 2000);
    }

    void serverClosesThenWatchdogReconnects() {
        TestServer server;
        auto w = make(server.port());
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        w->Timer4_Timer();
        server.closeClients();
        ALERTS_TRY_VERIFY(!w->connection().isConnected());
        // Until the watchdog looks, the label still tells the old state.
        QCOMPARE(w->controls().lblConnected->text(), u"Connected!"_s);
        w->Timer1_Timer();
        QCOMPARE(w->controls().lblConnected->text(), u"Disconnected"_s);
        QVERIFY(w->controls().cmdConnect->isEnabled());
        QVERIFY(w->timer4().isActive());
        verifyNoDefaultButton(*w); // enabled again, "Connect" is still not the default
        if (QTest::currentTestFailed()) {
            return;
        }
        ALERTS_TRY_COMPARE(server.accepted(), 2);
        ALERTS_TRY_COMPARE(w->controls().lblConnected->text(), u"Connected!"_s);
        QCOMPARE(server.received(), 0);
    }

    // After a sleep, or when the network comes online, a connection the socket
    // still reads as "connected" may be dead: it is replaced at once, and the label
    // says "Disconnected" until the new one is confirmed.
    void connectionRenewed_data() {
        QTest::addColumn<bool>("lostBefore");
        QTest::addColumn<Events>("events");
        QTest::newRow("an hour's sleep") << false << Events{tickAt(10, 3610, true)};
        QTest::newRow("jitter under the threshold") << false << Events{tickAt(10, 14, false)};
        QTest::newRow("network comes online") << false << Events{network(Reach::Online, true)};
        QTest::newRow("network comes online, the server already gone")
            << true << Events{network(Reach::Online, true)};
        QTest::newRow("network changes but is not online")
            << false
            << Events{network(Reach::Local, false), network(Reach::Site, false),
                      network(Reach::Unknown, false)};
        QTest::newRow("online, local, online")
            << false
            << Events{network(Reach::Online, true), network(Reach::Local, false),
                      network(Reach::Online, true)};
        QTest::newRow("online twice")
            << false << Events{network(Reach::Online, true), network(Reach::Online, false)};
        // The network came back after the wake: the tick leaves that connection alone.
        QTest::newRow("woke, network online, then the tick")
            << false << Events{network(Reach::Online, true, 5, 3605), tickAt(10, 3610, false)};
    }
    void connectionRenewed() {
        QFETCH(bool, lostBefore);
        QFETCH(Events, events);
        TestServer server;
        auto w = make(server.port());
        const alerts::core::ClockReading loaded = alerts::platform::readClocks();
        QCoreApplication::processEvents(); // the window watches the network once loaded
        w->Network_ReachabilityChanged(Reach::Disconnected); // whatever this machine says
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        w->Timer4_Timer();
        auto& ui = w->controls();
        if (lostBefore) {
            server.closeClients();
            ALERTS_TRY_VERIFY(!w->connection().isConnected());
        }
        int accepted = 1;
        for (const Event& event : events) {
            using std::chrono::seconds;
            const alerts::core::ClockReading at{loaded.wall + seconds(event.wall),
                                                loaded.monotonic + seconds(event.awake)};
            if (event.tick) {
                w->Timer1_Timer(at);
            } else {
                w->Network_ReachabilityChanged(event.reachability, at);
            }
            if (!event.renews) {
                QVERIFY(w->connection().isConnected());
                QCOMPARE(ui.lblConnected->text(), u"Connected!"_s);
                continue;
            }
            // Never "Connected!" for the connection just dropped.
            QCOMPARE(ui.lblConnected->text(), u"Disconnected"_s);
            QVERIFY(ui.cmdConnect->isEnabled() && w->timer4().isActive());
            QVERIFY(!w->connection().isConnected());
            // At once, with no watchdog tick.
            ++accepted;
            ALERTS_TRY_COMPARE(server.accepted(), accepted);
            ALERTS_TRY_VERIFY(w->connection().isConnected());
            w->Timer4_Timer();
            QCOMPARE(ui.lblConnected->text(), u"Connected!"_s);
        }
        QCOMPARE(server.received(), 0);
    }

    void unreachableServer() {
        auto w = make(deadPort());
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(20);
            w->Timer4_Timer();
        }
        QCOMPARE(w->controls().lblConnected->text(), u"Not Connected"_s);
        QVERIFY(w->timer4().isActive());
        w->Timer1_Timer();
        QCOMPARE(w->controls().lblConnected->text(), u"Disconnected"_s);
        QVERIFY(w->controls().cmdConnect->isEnabled());
        QVERIFY(w->timer4().isActive());
    }

    // Many reconnect cycles leave no socket, file or memory behind; each
    // watchdog tick starts a new attempt, however the last one ended.
    void reconnectCyclesDoNotLeak_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("cycles");
        QTest::newRow("refused") << u"refused"_s << 100;
        QTest::newRow("accepted then closed at once") << u"closing"_s << 1000;
        QTest::newRow("host name not found") << u"unresolvable"_s << 100;
    }
    void reconnectCyclesDoNotLeak() {
        QFETCH(QString, server);
        QFETCH(int, cycles);
        TestServer listener;
        const bool listening = server == u"closing"_s;
        const bool lookup = server == u"unresolvable"_s;
        // A name no resolver can answer: looked up in the background like any
        // other, it fails at once, whatever this machine's DNS does.
        auto w = lookup ? make(u"4500"_s, nullptr, u"no-such-host..invalid"_s)
                        : make(listening ? listener.port() : deadPort());
        const auto cycle = [&] {
            if (listening) {
                ALERTS_TRY_VERIFY(w->connection().isConnected());
                listener.closeClients();
                ALERTS_TRY_VERIFY(!w->connection().isConnected());
            } else {
                // The last attempt has failed before the watchdog looks.
                QVERIFY(QTest::qWaitFor(
                    [&] { return w->connection().state() == QAbstractSocket::UnconnectedState; }));
            }
            w->Timer1_Timer();
            QCOMPARE(w->controls().lblConnected->text(), u"Disconnected"_s);
            QVERIFY(w->timer4().isActive());
            if (lookup) { // a name is always looked up in the background
                QCOMPARE(w->connection().state(), QAbstractSocket::HostLookupState);
            }
        };
        for (int i = 0; i < 20 && !QTest::currentTestFailed(); ++i) {
            cycle(); // settle what the first cycles allocate for good
        }
        const int filesBefore = openFileCount();
        [[maybe_unused]] const long rssBefore = residentKiB();
        for (int i = 0; i < cycles && !QTest::currentTestFailed(); ++i) {
            cycle();
        }
        if (QTest::currentTestFailed()) {
            return;
        }
        QTest::qWait(50);
        QVERIFY2(openFileCount() <= filesBefore + 2,
                 qPrintable(u"%1 -> %2"_s.arg(filesBefore).arg(openFileCount())));
#if !defined(__SANITIZE_ADDRESS__)
        // (AddressSanitizer keeps freed memory in quarantine; it checks leaks itself.)
        QVERIFY2(residentKiB() - rssBefore < 4096,
                 qPrintable(u"%1 KiB -> %2 KiB"_s.arg(rssBefore).arg(residentKiB())));
#endif
        QCOMPARE(listener.accepted(), listening ? cycles + 20 + 1 : 0);
        QCOMPARE(listener.received(), 0);
    }

    // A listener whose accept queue is full leaves the connect hanging; the
    // watchdog must still be able to close it and start over.
    void stalledConnectIsReplaced() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        QCOMPARE(::listen(listener, 0), 0);
        ::fcntl(listener, F_SETFL, O_NONBLOCK);
        const QString port = QString::number(ntohs(address.sin_port));

        std::vector<std::unique_ptr<QTcpSocket>> fillers;
        for (int i = 0; i < 1; ++i) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
            QTest::qWait(50);
        }
        auto w = make(port);
        QTest::qWait(300);
        QVERIFY(!w->connection().isConnected());

        // Make room, then let the watchdog close the hanging attempt and start again.
        for (int fd; (fd = ::accept(listener, nullptr, nullptr)) >= 0;) {
            ::close(fd);
        }
        w->Timer1_Timer();
        bool connected = false;
        for (int i = 0; i < 100 && !connected; ++i) {
            QTest::qWait(50);
            for (int fd; (fd = ::accept(listener, nullptr, nullptr)) >= 0;) {
                ::close(fd);
            }
            w->Timer4_Timer();
            connected = w->controls().lblConnected->text() == u"Connected!"_s;
        }
        ::close(listener);
        QVERIFY(connected);
    }

    void connectButtonDoesNothing() {
        TestServer server;
        auto w = make(server.port());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto& ui = w->controls();
        ALERTS_TRY_COMPARE(ui.lblConnected->text(), u"Connected!"_s);
        server.closeClients();
        ALERTS_TRY_VERIFY(!w->connection().isConnected());
        // The watchdog enables "Connect" and starts an attempt. The click follows
        // with no event taken in between, so no poll can change the window first.
        w->Timer1_Timer();
        QVERIFY(ui.cmdConnect->isEnabled());
        QTest::mouseClick(ui.cmdConnect, Qt::LeftButton);
        QCOMPARE(ui.lblConnected->text(), u"Disconnected"_s);
        QVERIFY(ui.cmdConnect->isEnabled());
        // Only the watchdog's attempt reaches the server, and it goes on to connect.
        ALERTS_TRY_COMPARE(ui.lblConnected->text(), u"Connected!"_s);
        QTest::qWait(100);
        QCOMPARE(server.accepted(), 2);
    }

    void optionClicks() {
        TestServer server;
        auto w = make(server.port());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto& ui = w->controls();
        const auto state = [&] {
            return QString::fromLatin1("%1%2%3%4")
                .arg(int(ui.chkShow->isChecked()))
                .arg(int(ui.chkBoth->isChecked()))
                .arg(int(ui.chkSound->isChecked()))
                .arg(int(ui.chkDisable->isChecked()));
        };
        QCOMPARE(state(), u"0100"_s);
        // "Disable Alerts" clears the box that is checked, as the other three do.
        QTest::mouseClick(ui.chkDisable, Qt::LeftButton);
        QCOMPARE(state(), u"0001"_s);
        QTest::mouseClick(ui.chkBoth, Qt::LeftButton);
        QCOMPARE(state(), u"0100"_s);
        QTest::mouseClick(ui.chkShow, Qt::LeftButton);
        QCOMPARE(state(), u"1000"_s);
        QTest::mouseClick(ui.chkShow, Qt::LeftButton);
        QCOMPARE(state(), u"0000"_s);
        QTest::mouseClick(ui.chkDisable, Qt::LeftButton);
        QCOMPARE(state(), u"0001"_s);
        QTest::mouseClick(ui.chkSound, Qt::LeftButton);
        QCOMPARE(state(), u"0010"_s);
        QTest::keyClick(ui.chkSound, Qt::Key_Space); // the keyboard is a user's click too
        QCOMPARE(state(), u"0000"_s);
    }

    void dispatch_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("popup");
        QTest::addColumn<bool>("sound");
        QTest::newRow("Show Alert Box") << u"show"_s << true << false;
        QTest::newRow("Both Alerts") << u"both"_s << true << true;
        QTest::newRow("Play Alert Sound") << u"sound"_s << false << true;
        QTest::newRow("Disable Alerts") << u"disable"_s << false << false;
        QTest::newRow("none checked") << u"none"_s << false << false;
    }
    void dispatch() {
        QFETCH(QString, option);
        QFETCH(bool, popup);
        QFETCH(bool, sound);
        SoundLog log;
        TestServer server;
        auto w = make(server.port(), &log);
        auto& ui = w->controls();
        ui.chkBoth->setChecked(option == u"both"_s);
        ui.chkShow->setChecked(option == u"show"_s);
        ui.chkSound->setChecked(option == u"sound"_s);
        ui.chkDisable->setChecked(option == u"disable"_s);
        ALERTS_TRY_VERIFY(w->connection().isConnected());

        server.send(record("player7", "Chess", "Hall 2"));
        const QString line = u"player7 started a new Chess tournament on Hall 2"_s;
        if (popup) {
            ALERTS_TRY_VERIFY(w->newAlert().isLoaded());
            QVERIFY(w->newAlert().get()->isShown());
            QCOMPARE(w->newAlert().get()->alertText(), line);
        }
        if (sound) {
            ALERTS_TRY_COMPARE(log.plays.size(), std::size_t{1});
            QCOMPARE(log.plays[0].path,
                     QCoreApplication::applicationDirPath() + u"/Media/siren.wav"_s);
            // With both, the popup is up with its text before the sound starts.
            QCOMPARE(log.plays[0].popupVisible, popup);
            QCOMPARE(log.plays[0].popupText, popup ? line : QString());
        }
        QTest::qWait(50);
        QCOMPARE(w->newAlert().isLoaded(), popup);
        QCOMPARE(log.plays.size(), std::size_t(sound ? 1 : 0));

        // The record was taken from the socket even when nothing followed: the
        // next one is announced by itself.
        ui.chkShow->setChecked(true);
        server.send(record("anna", "Blitz", "Hall 1"));
        ALERTS_TRY_VERIFY(w->newAlert().isLoaded());
        ALERTS_TRY_COMPARE(w->newAlert().get()->alertText(),
                           u"anna started a new Blitz tournament on Hall 1"_s);
    }

    void serverTextIsNeverMarkup() {
        SoundLog log;
        TestServer server;
        auto w = make(server.port(), &log);
        w->controls().chkShow->setChecked(true);
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        server.send(record("<img src=\"/dev/zero\">", "<b>Bold</b>", "<a href=\"x\">x</a>"));
        ALERTS_TRY_VERIFY(w->newAlert().isLoaded());
        auto* label = w->newAlert().get()->findChild<QLabel*>(u"lblAlert"_s);
        QVERIFY(label);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), u"<img src=\"/dev/zero\"> started a new <b>Bold</b> tournament on "
                                u"<a href=\"x\">x</a>"_s);
    }

    void longRecordIsCut() {
        TestServer server;
        auto w = make(server.port());
        w->controls().chkShow->setChecked(true);
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        server.send(record(QByteArray(1'000'000, 'x'), "Chess", "Hall 2"));
        ALERTS_TRY_VERIFY_WITH_TIMEOUT(w->newAlert().isLoaded(), 5000);
        const QString text = w->newAlert().get()->alertText();
        QVERIFY(text.startsWith(u"xxxx"_s));
        QVERIFY(text.size() <= 4096);
    }

    // Exit orders, observed from the windows as they go: each records whether the
    // socket was still connected and whether the other window was still loaded.
    void exitOrders_data() {
        QTest::addColumn<int>("path");
        QTest::addColumn<bool>("connectedAtPopupHide");
        QTest::addColumn<bool>("aboutLoadedAtPopupHide");
        QTest::addColumn<bool>("connectedAtAboutHide");
        QTest::addColumn<bool>("popupLoadedAtAboutHide");
        QTest::newRow("A: Exit button") << 0 << false << true << false << false;
        QTest::newRow("B: tray menu Exit") << 1 << true << false << true << true;
        QTest::newRow("C: close box") << 2 << false << true << false << false;
    }
    void exitOrders() {
        QFETCH(int, path);
        QFETCH(bool, connectedAtPopupHide);
        QFETCH(bool, aboutLoadedAtPopupHide);
        QFETCH(bool, connectedAtAboutHide);
        QFETCH(bool, popupLoadedAtAboutHide);
        TestServer server;
        auto w = make(server.port());
        w->show();
        w->controls().chkShow->setChecked(true);
        ALERTS_TRY_VERIFY(w->connection().isConnected());
        server.send(record("p", "k", "h"));
        ALERTS_TRY_VERIFY(w->newAlert().isLoaded());
        w->mnuAbout_Click();
        ALERTS_TRY_VERIFY(w->about().isLoaded());
        // The popup holds: risen to rest, its five-second timer running.
        const QPointer<alerts::ui::frmNewAlert> popup = w->newAlert().get();
        while (popup->timer1().isActive()) {
            popup->Timer1_Timer();
        }
        QVERIFY(popup->timer2().isActive());
        int ticks = 0;
        const QObject tickWatch;
        for (const QTimer* timer : {&popup->timer1(), &popup->timer2(), &popup->timer3()}) {
            connect(timer, &QTimer::timeout, &tickWatch, [&ticks] { ++ticks; });
        }

        struct Seen {
            bool done = false;
            bool connected = false;
            bool otherLoaded = false;
        } popupSeen, aboutSeen;
        EventWatcher popupWatch(QEvent::Hide, [&] {
            popupSeen = {true, w->connection().isConnected(), w->about().isLoaded()};
        });
        EventWatcher aboutWatch(QEvent::Hide, [&] {
            aboutSeen = {true, w->connection().isConnected(), w->newAlert().isLoaded()};
        });
        w->newAlert().get()->installEventFilter(&popupWatch);
        w->about().get()->installEventFilter(&aboutWatch);
        QSignalSpy unloaded(w.get(), &frmMain::unloaded);

        if (path == 0) {
            w->cmdExit_Click();
        } else if (path == 1) {
            w->mnuExit_Click();
        } else {
            w->close();
        }
        QVERIFY(popupSeen.done && aboutSeen.done);
        QCOMPARE(popupSeen.connected, connectedAtPopupHide);
        QCOMPARE(popupSeen.otherLoaded, aboutLoadedAtPopupHide);
        QCOMPARE(aboutSeen.connected, connectedAtAboutHide);
        QCOMPARE(aboutSeen.otherLoaded, popupLoadedAtAboutHide);
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(w->isUnloaded() && !w->isVisible());
        QVERIFY(!w->newAlert().isLoaded() && !w->about().isLoaded());
        QVERIFY(!w->timer1().isActive() && !w->timer4().isActive());
        // The popup's timers stopped with its unload, and none ticks before it is gone.
        QVERIFY(popup && !popup->isVisible());
        QVERIFY(!popup->timer1().isActive() && !popup->timer2().isActive() &&
                !popup->timer3().isActive());
        ALERTS_TRY_VERIFY(popup.isNull());
        QCOMPARE(ticks, 0);
        // Closing again changes nothing.
        w->close();
        QCOMPARE(unloaded.size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void exitLoadsNoWindow() {
        TestServer server;
        auto w = make(server.port());
        w->cmdExit_Click();
        QVERIFY(!w->newAlert().isLoaded());
        QVERIFY(!w->about().isLoaded());
        for (QWidget* top : QApplication::topLevelWidgets()) {
            QVERIFY2(top == w.get() || !top->isVisible(), top->metaObject()->className());
        }
    }

    void hideMinimises() {
        TestServer server;
        auto w = make(server.port());
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->cmdHide_Click();
        QVERIFY(w->windowState() & Qt::WindowMinimized);
        // The connection is untouched by hiding.
        QVERIFY(w->timer1().isActive());
        ALERTS_TRY_VERIFY(w->connection().isConnected());
    }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
