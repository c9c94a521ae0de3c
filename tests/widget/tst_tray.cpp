// SPDX-License-Identifier: MIT
#include "platform/tray/TrayIcon.h"
#ifdef ALERTS_HAVE_DBUS
#include "platform/tray/DBusMenu.h"
#include "platform/tray/StatusNotifierItem.h"
#endif
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPointer>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <qpa/qwindowsysteminterface.h>

using alerts::platform::TrayIcon;
#ifdef ALERTS_HAVE_DBUS
using alerts::platform::DBusMenu;
using alerts::platform::DBusMenuLayout;
#endif
using alerts::ui::frmMain;

namespace {

alerts::ui::ServerEndpoint nowhere() {
    return {QStringLiteral("127.0.0.1"), QStringLiteral("9")};
}

QStringList texts(const QMenu& menu) {
    QStringList result;
    const auto actions = menu.actions();
    for (const QAction* action : actions) {
        result << action->text();
    }
    return result;
}

QMenu* aboutSubmenu(frmMain& main) {
    return main.trayMenu().actions().at(1)->menu();
}

// A menu ignores the pointer until it has left the place where the menu opened.
// Qt 6.8 takes that place from the last pointer event it has handled, not from the
// cursor, and the move that QCursor::setPos makes waits in the event queue: handled
// only after the menu opened, the menu would think the pointer still rests where
// the previous test left it, on the very line the test goes to.
void parkPointer() {
    QCursor::setPos(0, 0);
    QCoreApplication::processEvents();
}

} // namespace

class tst_tray final : public QObject {
    Q_OBJECT
private slots:
    void menuAndIconAsDesigned() {
        frmMain main(nowhere());
        QCOMPARE(texts(main.trayMenu()), (QStringList{"Open/Restore", "About"}));
        QMenu* about = aboutSubmenu(main);
        QVERIFY(about != nullptr);
        QCOMPARE(texts(*about), QStringList{"Exit"});
        QCOMPARE(main.trayIcon().toolTip(), QStringLiteral("Zuded Orazaviz"));
        QCOMPARE(main.trayIcon().icon().cacheKey(), main.windowIcon().cacheKey());
        QVERIFY(!main.trayIcon().isPresent()); // only a minimised window has one
    }

    // The tip field holds 63 characters and its terminator.
    void tipIsCut_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tip");
        const QString sixtyTwo(62, QLatin1Char('x'));
        QTest::newRow("short") << "Zuded Orazaviz"
                               << "Zuded Orazaviz";
        QTest::newRow("63") << sixtyTwo + "y" << sixtyTwo + "y";
        QTest::newRow("64") << sixtyTwo + "yz" << sixtyTwo + "y";
        // A character outside the BMP is two code units; never keep half of one.
        QTest::newRow("pair across the cut")
            << sixtyTwo + QString::fromUtf8("\xF0\x9F\x94\x94") << sixtyTwo;
    }
    void tipIsCut() {
        QFETCH(QString, caption);
        QFETCH(QString, tip);
        TrayIcon icon;
        icon.setToolTip(caption);
        QCOMPARE(icon.toolTip(), tip);
    }

    // Left and right presses open the menu; nothing else the icon reports does. A
    // host that names the place of the press has the menu opened there.
    void iconReports_data() {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("opens");
        const QPoint none(-1, -1);
        QTest::newRow("left press") << int(QSystemTrayIcon::Trigger) << none << true;
        QTest::newRow("right press") << int(QSystemTrayIcon::Context) << none << true;
        QTest::newRow("left press, placed")
            << int(QSystemTrayIcon::Trigger) << QPoint(300, 200) << true;
        QTest::newRow("right press, placed")
            << int(QSystemTrayIcon::Context) << QPoint(40, 30) << true;
        // A panel along the bottom right: the menu opens up and to the left of it.
        QTest::newRow("left press, placed in the corner")
            << int(QSystemTrayIcon::Trigger)
            << QGuiApplication::primaryScreen()->geometry().bottomRight() - QPoint(10, 10) << true;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << none << false;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << none << false;
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << none << false;
    }
    void iconReports() {
        QFETCH(int, reason);
        QFETCH(QPoint, at);
        QFETCH(bool, opens);
        frmMain main(nowhere());
        main.show();
        main.setWindowState(Qt::WindowMinimized);
        const auto why = QSystemTrayIcon::ActivationReason(reason);
        if (at.x() < 0) {
            main.trayIcon().activated(why);
        } else {
            main.trayIcon().activated(why, at);
        }
        QCOMPARE(main.trayMenu().isVisible(), opens);
        if (opens && at.x() >= 0) {
            // A corner of it at the place, all of it on the screen.
            const QRect menu = main.trayMenu().geometry();
            QVERIFY2(menu.topLeft() == at || menu.bottomRight() + QPoint(1, 1) == at,
                     qPrintable(QStringLiteral("menu at %1,%2").arg(menu.x()).arg(menu.y())));
            QVERIFY(main.trayMenu().screen()->geometry().contains(menu));
        }
        QVERIFY(main.isMinimized()); // no report restores the window by itself
        main.trayMenu().close();
    }

#ifdef ALERTS_HAVE_DBUS
    // The menu as a tray host draws it (DBusMenu): its lines, and what the host
    // reports of them. A host that opens "About" opens the About window; lines
    // it reports clicked do what they do in the program's own menu.
    void menuOverDBus_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("About opened") << "About"
                                      << "opened"
                                      << "about";
        QTest::newRow("About about to show") << "About"
                                             << "AboutToShow"
                                             << "about";
        QTest::newRow("About clicked") << "About"
                                       << "clicked"
                                       << "nothing";
        QTest::newRow("Open/Restore clicked") << "Open/Restore"
                                              << "clicked"
                                              << "restored";
        QTest::newRow("Open/Restore opened") << "Open/Restore"
                                             << "opened"
                                             << "nothing";
        QTest::newRow("Exit clicked") << "Exit"
                                      << "clicked"
                                      << "ended";
    }
    void menuOverDBus() {
        QFETCH(QString, line);
        QFETCH(QString, event);
        QFETCH(QString, outcome);
        frmMain main(nowhere());
        QSignalSpy unloaded(&main, &frmMain::unloaded);
        main.show();
        main.setWindowState(Qt::WindowMinimized);
        main.hide(); // as the tray leaves it
        main.trayIcon().add();
        DBusMenu* menu = main.trayIcon().statusNotifierItem().dbusMenu();
        QVERIFY(menu != nullptr);

        DBusMenuLayout layout;
        menu->GetLayout(0, -1, {}, layout);
        QStringList lines;
        int id = -1;
        const auto walk = [&](const auto& self, const DBusMenuLayout& item) -> void {
            for (const DBusMenuLayout& child : item.children) {
                const QString label = child.properties.value("label").toString();
                lines << label;
                if (label == line) {
                    id = child.id;
                }
                self(self, child);
            }
        };
        walk(walk, layout);
        QCOMPARE(lines, (QStringList{"Open/Restore", "About", "Exit"}));
        QCOMPARE(layout.children.at(1).properties.value("children-display").toString(),
                 QStringLiteral("submenu"));

        if (event == "AboutToShow") {
            menu->AboutToShow(id);
        } else {
            menu->Event(id, event, QDBusVariant(QVariant(0)), 0);
        }
        QCoreApplication::processEvents(); // a clicked line is triggered after the answer
        QCOMPARE(main.about().isLoaded(), outcome == "about");
        QCOMPARE(main.isVisible(), outcome == "restored");
        QCOMPARE(main.trayIcon().isPresent(), outcome != "restored" && outcome != "ended");
        QCOMPARE(unloaded.count(), outcome == "ended" ? 1 : 0);
    }
#endif

    // However the "About" submenu opens, the About window appears and the menu, with
    // "Exit" in it, stays up; "Exit" then ends the program.
    void aboutKeepsTheMenuUpAndExitEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("pointer rests") << "rest";
        QTest::newRow("click") << "click";
        QTest::newRow("keyboard") << "keys";
    }
    void aboutKeepsTheMenuUpAndExitEnds() {
        QFETCH(QString, how);
        frmMain main(nowhere());
        QSignalSpy unloaded(&main, &frmMain::unloaded);
        QMenu& menu = main.trayMenu();
        QMenu* submenu = aboutSubmenu(main);
        QAction* aboutLine = menu.actions().at(1);
        parkPointer();
        menu.popup(QPoint(300, 100));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        const QPoint onAbout = menu.actionGeometry(aboutLine).center();
        if (how == "rest") {
            QTest::mouseMove(&menu, onAbout);
        } else if (how == "click") {
            QTest::mouseClick(&menu, Qt::LeftButton, {}, onAbout);
        } else {
            QTest::keyClick(&menu, Qt::Key_Down);
            QTest::keyClick(&menu, Qt::Key_Down);
            QTest::keyClick(&menu, Qt::Key_Right);
        }
        QTRY_VERIFY(submenu->isVisible());
        QVERIFY(main.about().isLoaded());
        QVERIFY(main.about().get()->isVisible());
        QVERIFY(menu.isVisible());
        QCOMPARE(QApplication::activePopupWidget(), submenu);

        // Lines are chosen with the left button: other buttons on "Exit" or on
        // "Open/Restore" do nothing, and the menus stay up.
        const QPoint onExit = submenu->actionGeometry(submenu->actions().at(0)).center();
        const QPoint onOpen = menu.actionGeometry(menu.actions().at(0)).center();
        for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(submenu, button, {}, onExit);
            QTest::mouseClick(&menu, button, {}, onOpen);
        }
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(!main.isVisible());
        QVERIFY(submenu->isVisible() && menu.isVisible());

        QTest::keyClick(submenu, Qt::Key_Down);
        QTest::keyClick(submenu, Qt::Key_Return);
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!main.about().isLoaded());
        QVERIFY(!menu.isVisible());
    }

    // The pointer off "About" and back opens its submenu again and raises the
    // About handler again: an open About window keeps its ticker where it is, a
    // closed one is loaded afresh.
    void aboutAgain() {
        frmMain main(nowhere());
        QMenu& menu = main.trayMenu();
        QMenu* submenu = aboutSubmenu(main);
        parkPointer();
        menu.popup(QPoint(300, 100));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        const QPoint onOpen = menu.actionGeometry(menu.actions().at(0)).center();
        const QPoint onAbout = menu.actionGeometry(menu.actions().at(1)).center();
        const auto offAndBack = [&] {
            QTest::mouseMove(&menu, onOpen);
            QTRY_VERIFY(!submenu->isVisible());
            QTest::mouseMove(&menu, onAbout);
            QTRY_VERIFY(submenu->isVisible());
        };
        QTest::mouseMove(&menu, onAbout);
        QTRY_VERIFY(main.about().isLoaded());

        // Halfway through the line, its ticks held back (for as long as this window
        // lives) so that only a restart could change the caption.
        const QPointer<alerts::ui::frmAbout> about = main.about().get();
        about->findChild<QTimer*>()->blockSignals(true);
        for (int tick = 0; tick < 20; ++tick) {
            about->Timer1_Timer();
        }
        const QString halfway = about->controls().Label1->text();
        QVERIFY(halfway.size() > 20 && halfway.size() < 40);
        offAndBack();
        QCOMPARE(main.about().get(), about.data());
        QCOMPARE(about->controls().Label1->text(), halfway);
        QVERIFY(about->timer1().isActive());

        main.about().unload();
        QTRY_VERIFY(about.isNull());
        offAndBack();
        QVERIFY(main.about().isLoaded());
        QVERIFY(main.about().get()->isVisible());
        QVERIFY(main.about().get()->timer1().isActive());
        menu.close();
    }

    // Without a tray host an icon could never be clicked: the window stays
    // minimised in the taskbar instead of vanishing.
    void withoutTrayMinimisingKeepsTheWindow() {
        if (TrayIcon::isAvailable()) {
            QSKIP("a tray host is running here");
        }
        frmMain main(nowhere());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.cmdHide_Click();
        QCoreApplication::processEvents();
        QVERIFY(main.isMinimized());
        QVERIFY(main.isVisible());
        QVERIFY(!main.trayIcon().isPresent());
    }

    // Qt on Wayland reports a window it has just hidden as no longer minimised:
    // the icon, the only way back, must stay.
    void hiddenWindowStaysInTheTrayWhateverTheWindowSystemSays() {
        frmMain main(nowhere());
        main.show();
        main.setWindowState(Qt::WindowMinimized);
        main.hide(); // as the tray leaves it
        main.trayIcon().add();
        QWindowSystemInterface::handleWindowStateChanged<
            QWindowSystemInterface::SynchronousDelivery>(main.windowHandle(), Qt::WindowNoState);
        QVERIFY(main.trayIcon().isPresent());
        QVERIFY(main.isMinimized());
    }

    // However the window was left, "Open/Restore" brings it back in the normal
    // state, and the icon, the way back, goes only once the window is on screen.
    void openRestoreShowsTheWindowAndRemovesTheIcon_data() {
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<int>("reported"); // the state the window system last gave
        QTest::newRow("hidden by the tray") << true << int(Qt::WindowMinimized);
        QTest::newRow("hidden, reported restored (Wayland)") << true << int(Qt::WindowNoState);
        QTest::newRow("minimised, never hidden (no tray)") << false << int(Qt::WindowMinimized);
        // The title bar's minimise, then "Open/Restore" clicked in the menu at the
        // icon, twice: the second menu opens where the first did, and the click
        // comes where the first one did.
        QTest::newRow("window manager's minimise, the menu's line, twice") << false << -1;
    }
    void openRestoreShowsTheWindowAndRemovesTheIcon() {
        QFETCH(bool, hidden);
        QFETCH(int, reported);
        frmMain main(nowhere());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        for (int cycle = 0; cycle < (reported < 0 ? 2 : 1); ++cycle) {
            if (reported < 0) {
                QWindowSystemInterface::handleWindowStateChanged<
                    QWindowSystemInterface::SynchronousDelivery>(main.windowHandle(),
                                                                 Qt::WindowMinimized);
                main.Settle_Timer();
                main.trayIcon().activated(QSystemTrayIcon::Trigger, QPoint(300, 200));
                QMenu& menu = main.trayMenu();
                QVERIFY(QTest::qWaitForWindowExposed(&menu));
                // Through the window system, which tells Qt where the pointer is.
                QTest::mouseClick(menu.windowHandle(), Qt::LeftButton, {},
                                  menu.actionGeometry(menu.actions().at(0)).center());
                QVERIFY2(!main.isMinimized(), qPrintable(QStringLiteral("cycle %1").arg(cycle)));
                QVERIFY(main.isVisible());
                QTRY_VERIFY(!main.trayIcon().isPresent());
                continue;
            }
            main.setWindowState(Qt::WindowMinimized);
            if (hidden) {
                main.hide(); // as the tray leaves it
            }
            main.trayIcon().add();
            QWindowSystemInterface::handleWindowStateChanged<
                QWindowSystemInterface::SynchronousDelivery>(main.windowHandle(),
                                                             Qt::WindowState(reported));
            main.mnuOpen_Click();
            QVERIFY(!main.isMinimized());
            QVERIFY(main.isVisible());
            QVERIFY(main.trayIcon().isPresent());
            QTRY_VERIFY(!main.trayIcon().isPresent());
        }
        QVERIFY(!main.settleTimer().isActive());
    }

    // Only a minimise that holds sends the window to the tray: window managers
    // pass through the minimised state while they frame a new window or bring one
    // forward (mutter's WM_STATE 1, 3, 1), and the window must stay.
    void minimiseOfTheWindowSystem_data() {
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<bool>("settling");
        QTest::newRow("held (title bar)") << QList<int>{Qt::WindowMinimized} << true;
        QTest::newRow("passing (framing, Alt+Tab)")
            << QList<int>{Qt::WindowMinimized, Qt::WindowNoState} << false;
        QTest::newRow("passing twice, then held")
            << QList<int>{Qt::WindowMinimized, Qt::WindowNoState, Qt::WindowMinimized,
                          Qt::WindowNoState, Qt::WindowMinimized}
            << true;
    }
    void minimiseOfTheWindowSystem() {
        QFETCH(QList<int>, reports);
        QFETCH(bool, settling);
        frmMain main(nowhere());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        for (const int state : reports) {
            QWindowSystemInterface::handleWindowStateChanged<
                QWindowSystemInterface::SynchronousDelivery>(main.windowHandle(),
                                                             Qt::WindowState(state));
        }
        QCoreApplication::processEvents();
        QCOMPARE(main.settleTimer().isActive(), settling);
        QCOMPARE(main.settleTimer().interval(), frmMain::kMinimiseSettleMs);
        QVERIFY(main.isVisible()); // not before the minimise has held
        QVERIFY(!main.trayIcon().isPresent());
        QCOMPARE(main.isMinimized(), settling);
        if (settling) {
            main.Settle_Timer();
            // Without a tray host the window stays minimised where it can be found.
            QCOMPARE(main.isVisible(), !TrayIcon::isAvailable());
            QCOMPARE(main.trayIcon().isPresent(), TrayIcon::isAvailable());
        }
    }

    // No way out leaves the icon behind.
    void exitRemovesTheIcon_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("Exit button") << "button";
        QTest::newRow("tray Exit") << "tray";
        QTest::newRow("close box") << "close";
    }
    void exitRemovesTheIcon() {
        QFETCH(QString, path);
        frmMain main(nowhere());
        main.show();
        main.setWindowState(Qt::WindowMinimized);
        main.trayIcon().add();
        QSignalSpy unloaded(&main, &frmMain::unloaded);
        if (path == "button") {
            main.cmdExit_Click();
        } else if (path == "tray") {
            main.mnuExit_Click();
        } else {
            main.close();
        }
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!main.trayIcon().isPresent());
    }
};

QTEST_MAIN(tst_tray)
#include "tst_tray.moc"
