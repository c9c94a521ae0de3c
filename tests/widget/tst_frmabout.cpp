// SPDX-License-Identifier: MIT
#include "core/ticker.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

using alerts::ui::frmAbout;
using alerts::ui::frmMain;

namespace {

const QString kCredits = QStringLiteral("Brought to you by Korvel and Tandrike --");

alerts::ui::ServerEndpoint nowhere() {
    return {QStringLiteral("127.0.0.1"), QStringLiteral("9")};
}

void tick(frmAbout& about, int times) {
    for (int i = 0; i < times; ++i) {
        about.Timer1_Timer();
    }
}

// Windows unloaded by deleteLater() go away once control is back in the event loop.
// The window's own timer may have ticked too; type on until the caption reads `text`.
void tickUntil(frmAbout& about, const QString& text) {
    for (int i = 0; i < 40 && about.controls().Label1->text() != text; ++i) {
        about.Timer1_Timer();
    }
}

void runDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_frmabout final : public QObject {
    Q_OBJECT
private slots:
    void controlsSitWhereDesigned_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("cmdOK") << "cmdOK" << QRect(72, 80, 49, 25);
        QTest::newRow("Label1") << "Label1" << QRect(56, 24, 113, 57);
        QTest::newRow("Image1") << "Image1" << QRect(8, 8, 32, 32);
        QTest::newRow("lblVersion") << "lblVersion" << QRect(56, 8, 121, 17);
    }
    void controlsSitWhereDesigned() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        frmAbout about;
        auto* control = about.findChild<QWidget*>(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->geometry(), geometry);
    }

    void windowAsDesigned() {
        frmAbout about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QCOMPARE(about.size(), QSize(185, 114));
        QCOMPARE(about.minimumSize(), about.maximumSize()); // cannot be resized
        const Qt::WindowFlags flags = about.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Window); // its own taskbar entry
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!about.windowIcon().isNull());

        const Ui::frmAbout& ui = about.controls();
        QCOMPARE(ui.lblVersion->text(), QStringLiteral("ZARQ Zuded Orazaviz 1.0"));
        QCOMPARE(ui.Label1->text(), QString());
        QCOMPARE(ui.Label1->textFormat(), Qt::PlainText);
        QVERIFY(ui.Label1->wordWrap());
        QCOMPARE(ui.cmdOK->text(), QStringLiteral("OK"));
        QVERIFY(!ui.cmdOK->isDefault());
        QCOMPARE(about.timer1().interval(), frmAbout::kTickerIntervalMs);
        QCOMPARE(frmAbout::kTickerIntervalMs, 40);
        QVERIFY(about.timer1().isActive()); // loading starts the ticker
    }

    void onlyOkTakesTheFocus() {
        frmAbout about;
        const auto widgets = about.findChildren<QWidget*>();
        for (const QWidget* widget : widgets) {
            if (widget != about.controls().cmdOK) {
                QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
            }
        }
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.focusWidget(), about.controls().cmdOK);
    }

    // Enter presses OK; there is no cancel button, so Escape presses nothing.
    void keysOnOk_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("unloads");
        QTest::newRow("Return") << int(Qt::Key_Return) << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << 1;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
    }
    void keysOnOk() {
        QFETCH(int, key);
        QFETCH(int, unloads);
        frmAbout about;
        QSignalSpy spy(&about, &frmAbout::unloadRequested);
        QTest::keyClick(about.controls().cmdOK, Qt::Key(key));
        QCOMPARE(spy.count(), unloads);
    }

    // The substitute font must not push "1.0" onto a hidden second line.
    void versionLineStaysOnOneLine() {
        frmAbout about;
        const QLabel& label = *about.controls().lblVersion;
        QVERIFY(QFontMetrics(label.font()).horizontalAdvance(label.text()) <= label.width());
    }

    void tickerTypesThenStops() {
        frmAbout about;
        QLabel& label = *about.controls().Label1;
        tick(about, 1);
        QCOMPARE(label.text(), QStringLiteral("B"));
        tick(about, 33);
        QCOMPARE(label.text(), kCredits);
        QVERIFY(about.timer1().isActive());
        tick(about, 1);
        const QString final = label.text();
        QCOMPARE(final.split(QStringLiteral("\r\n")).size(), 3);
        QVERIFY(final.startsWith(kCredits + QStringLiteral("\r\n")));
        QVERIFY(!about.timer1().isActive());
        tick(about, 1); // a stray tick changes nothing
        QCOMPARE(label.text(), final);
    }

    // The credits and both addresses fit the label, each address on a line of its own.
    void finalTextFitsTheLabel() {
        frmAbout about;
        tick(about, 35);
        const QLabel& label = *about.controls().Label1;
        const QFontMetrics metrics(label.font());
        const QStringList lines = label.text().split(QStringLiteral("\r\n"));
        for (qsizetype line = 1; line < lines.size(); ++line) {
            QVERIFY2(metrics.horizontalAdvance(lines.at(line)) <= label.width(),
                     qPrintable(lines.at(line)));
        }
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, label.width(), 1000), Qt::TextWordWrap, label.text());
        QVERIFY2(needed.height() <= label.height(), qPrintable(QString::number(needed.height())));
    }

    void foreignCaptionStaysAndTickerKeepsRunning() {
        frmAbout about;
        about.controls().Label1->setText(QStringLiteral("Broug"));
        tick(about, 3);
        QCOMPARE(about.controls().Label1->text(), QStringLiteral("Broug"));
        QVERIFY(about.timer1().isActive());
    }

    // Through the main window's instance: opened, closed half-way, opened again.
    void reopeningStartsFromTheEmptyCaption_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("OK") << false;
        QTest::newRow("close box") << true;
    }
    void reopeningStartsFromTheEmptyCaption() {
        QFETCH(bool, closeBox);
        frmMain main(nowhere());
        QVERIFY(!main.about().isLoaded());
        main.mnuAbout_Click();
        QPointer<frmAbout> first = main.about().get();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        tickUntil(*first, QStringLiteral("Brought to"));
        QCOMPARE(first->controls().Label1->text(), QStringLiteral("Brought to"));

        if (closeBox) {
            QVERIFY(first->windowHandle()->close());
        } else {
            QTest::mouseClick(first->controls().cmdOK, Qt::LeftButton);
        }
        QVERIFY(!main.about().isLoaded());
        QVERIFY(!first->isVisible());
        QVERIFY(!first->timer1().isActive()); // its timer goes with it
        runDeferredDeletes();
        QVERIFY(first.isNull());

        main.mnuAbout_Click();
        frmAbout* second = main.about().get();
        QVERIFY(second != nullptr);
        QCOMPARE(second->controls().Label1->text(), QString());
        QVERIFY(second->timer1().isActive());
        QVERIFY(!main.isUnloaded());
    }

    // Opening "About" again while the window is up neither restarts nor skips.
    void openingAgainChangesNothing() {
        frmMain main(nowhere());
        main.mnuAbout_Click();
        frmAbout* about = main.about().get();
        tickUntil(*about, QStringLiteral("Brough"));
        const int timerId = about->timer1().timerId();
        main.mnuAbout_Click();
        main.mnuAbout_Click();
        QCOMPARE(main.about().get(), about);
        QCOMPARE(about->controls().Label1->text(), QStringLiteral("Brough"));
        QCOMPARE(about->timer1().timerId(), timerId); // the same run of the timer
        tick(*about, 1);
        QCOMPARE(about->controls().Label1->text(), QStringLiteral("Brought"));
    }

    // With the main window hidden in the tray, the About window is the only one on
    // screen; closing it must not count as the program's last window closing.
    void closingAboutNeverEndsTheProgram() {
        frmMain main(nowhere());
        QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
        QSignalSpy unloaded(&main, &frmMain::unloaded);
        main.mnuAbout_Click();
        QVERIFY(QTest::qWaitForWindowExposed(main.about().get()));
        // The close box's way in: a close request from the window system, taken
        // while the application runs its event loop (only then does Qt look for a
        // last window closing).
        QTimer::singleShot(0, &main, [&main] {
            QVERIFY(main.about().get()->windowHandle()->close());
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
        QCoreApplication::exec();
        QVERIFY(!main.about().isLoaded());
        QCOMPARE(lastClosed.count(), 0);
        QCOMPARE(unloaded.count(), 0);
        QVERIFY(!main.isUnloaded());
    }

    void exitFromTheTrayUnloadsTheAboutWindow() {
        frmMain main(nowhere());
        QSignalSpy unloaded(&main, &frmMain::unloaded);
        main.mnuAbout_Click();
        QPointer<frmAbout> about = main.about().get();
        main.mnuExit_Click();
        QVERIFY(!main.about().isLoaded());
        QVERIFY(!about->isVisible());
        QVERIFY(!about->timer1().isActive());
        QCOMPARE(unloaded.count(), 1);
        runDeferredDeletes();
        QVERIFY(about.isNull());
    }
};

QTEST_MAIN(tst_frmabout)
#include "tst_frmabout.moc"
