// SPDX-License-Identifier: MIT
#include "ui/WindowInstance.h"
#include "ui/frmMain.h"
#include "ui/frmNewAlert.h"

#include <QAccessible>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QScreen>
#include <QTest>

#include <initializer_list>

using alerts::ui::frmNewAlert;

namespace {

constexpr int kWidth = 185;
constexpr int kHeight = 121;

// The primary screen's bottom-right corner, where the popup belongs.
QPoint screenCorner() {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.x() + screen.width(), screen.y() + screen.height()};
}

QPoint parked() {
    return screenCorner() - QPoint(kWidth, 0);
}

QPoint atRest() {
    return screenCorner() - QPoint(kWidth, kHeight);
}

// Runs the rise timer's ticks until it stops; returns their count.
int riseToEnd(frmNewAlert& popup) {
    int ticks = 0;
    while (popup.timer1().isActive() && ticks < 1000) {
        popup.Timer1_Timer();
        ++ticks;
    }
    return ticks;
}

int fallToEnd(frmNewAlert& popup) {
    int ticks = 0;
    while (popup.timer3().isActive() && ticks < 1000) {
        popup.Timer3_Timer();
        ++ticks;
    }
    return ticks;
}

// Brings a fresh popup into one of its phases by driving its handlers.
void enterPhase(frmNewAlert& popup, const QString& phase) {
    popup.setAlertText(QStringLiteral("player7 started a new Chess tournament on Hall 2"));
    if (phase == QLatin1String("parked")) {
        return;
    }
    popup.rise();
    if (phase == QLatin1String("rising")) {
        for (int i = 0; i < 20; ++i) {
            popup.Timer1_Timer();
        }
        return;
    }
    riseToEnd(popup);
    if (phase == QLatin1String("holding")) {
        return;
    }
    popup.Timer2_Timer();
    for (int i = 0; i < 20; ++i) {
        popup.Timer3_Timer();
    }
    Q_ASSERT(phase == QLatin1String("falling"));
}

bool hasDarkPixels(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 96) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class tst_frmnewalert final : public QObject {
    Q_OBJECT
private slots:
    void loadParksBelowTheCorner() {
        frmNewAlert popup;
        // Shown, yet parked: seen on no screen, since another may lie below.
        QVERIFY(popup.isShown() && !popup.isVisible());
        QCOMPARE(popup.pos(), parked());
        QCOMPARE(popup.alertLeft(), parked().x() * 15);
        QCOMPARE(popup.screenBottom(), screenCorner().y() * 15);
        QVERIFY(!popup.timer1().isActive());
        QVERIFY(!popup.timer2().isActive());
        QVERIFY(!popup.timer3().isActive());
        QVERIFY(popup.alertText().isEmpty());

        const Qt::WindowFlags flags = popup.windowFlags();
        QCOMPARE(popup.windowType(), Qt::Tool); // no taskbar button
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(flags.testFlag(Qt::X11BypassWindowManagerHint));
        QVERIFY(popup.testAttribute(Qt::WA_ShowWithoutActivating));
        // The glide's floor: a tick every 16 ms, as the window system gives them.
        QCOMPARE(popup.timer1().interval(), 16);
        QCOMPARE(popup.timer2().interval(), 5000);
        QCOMPARE(popup.timer3().interval(), 16);
        QCOMPARE(popup.timer1().timerType(), Qt::PreciseTimer);
    }

    void design() {
        frmNewAlert popup;
        auto& ui = popup.controls();
        QCOMPARE(popup.frameGeometry().size(), QSize(kWidth, kHeight));
        QCOMPARE(popup.minimumSize(), popup.maximumSize());
        QVERIFY(popup.windowTitle().isEmpty());
        QCOMPARE(popup.palette().color(QPalette::Window), QColor(192, 255, 192));

        QCOMPARE(ui.lblTitle->text(), QStringLiteral("Tournament Started"));
        QVERIFY(ui.lblTitle->font().bold());
        QVERIFY(!ui.lblAlert->font().bold());
        QCOMPARE(ui.lblTitle->geometry(), QRect(8, 5, 169, 17));
        QCOMPARE(ui.lblAlert->geometry(), QRect(16, 32, 153, 73));
        QVERIFY(ui.lblTitle->alignment().testFlag(Qt::AlignHCenter));
        QVERIFY(ui.lblAlert->alignment().testFlag(Qt::AlignHCenter));
        QVERIFY(ui.lblAlert->wordWrap());
        QCOMPARE(ui.lblAlert->textFormat(), Qt::PlainText);
        QCOMPARE(ui.lblAlert->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(ui.s->geometry(), QRect(0, 0, kWidth, kHeight));

        // Design order is creation order, and so the stacking order.
        QStringList order;
        for (const QObject* child : popup.children()) {
            if (child->isWidgetType()) {
                order << child->objectName();
            }
        }
        QCOMPARE(order, (QStringList{"s", "imgPointer", "lblURL", "lblLink", "imgXNormal",
                                     "imgXOver", "lblTitle", "lblAlert"}));
    }

    // Controls that lie wholly below the window's bottom edge, so they are never seen.
    void hiddenControls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QSize>("picture"); // empty for the labels
        QTest::newRow("imgPointer") << "imgPointer" << QRect(128, 240, 32, 32) << QSize(32, 32);
        QTest::newRow("lblURL") << "lblURL" << QRect(24, 192, 153, 25) << QSize();
        QTest::newRow("lblLink") << "lblLink" << QRect(24, 136, 137, 25) << QSize();
        QTest::newRow("imgXNormal") << "imgXNormal" << QRect(64, 168, 15, 16) << QSize(15, 16);
        QTest::newRow("imgXOver") << "imgXOver" << QRect(48, 168, 14, 15) << QSize(14, 15);
    }
    void hiddenControls() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QSize, picture);
        frmNewAlert popup;
        const auto* control = popup.findChild<QLabel*>(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->geometry(), geometry);
        QVERIFY(control->geometry().top() >= kHeight);
        QVERIFY(!popup.rect().intersects(control->geometry()));
        if (picture.isValid()) {
            QCOMPARE(control->pixmap().size(), picture);
        } else {
            QCOMPARE(control->text(), QStringLiteral("Label1"));
        }
    }

    // The pictures as files: the pointer a 16-colour icon, the close buttons 24-bit bitmaps.
    void pictureFormats_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("bitsPerPixel");
        QTest::newRow("pointer") << ":/alerts/popup/pointer.ico" << QByteArray("ico") << 4;
        QTest::newRow("close") << ":/alerts/popup/xnormal.bmp" << QByteArray("bmp") << 24;
        QTest::newRow("close, hovered") << ":/alerts/popup/xover.bmp" << QByteArray("bmp") << 24;
    }
    void pictureFormats() {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(int, bitsPerPixel);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // Bits per pixel: in the icon's first directory entry, in the bitmap's info header.
        const int offset = format == "ico" ? 6 + 6 : 28;
        QVERIFY(bytes.size() > offset + 1);
        const int bits = static_cast<unsigned char>(bytes.at(offset)) |
                         (static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
        QCOMPARE(bits, bitsPerPixel);
        QCOMPARE(QImageReader(path).format(), format);
    }

    // A 1-pixel line in the window-text colour along every edge, light green inside.
    void frameLine() {
        frmNewAlert popup;
        const QImage image = popup.grab().toImage();
        QCOMPARE(image.size(), QSize(kWidth, kHeight));
        const QColor line = popup.palette().color(QPalette::WindowText);
        const QColor green(192, 255, 192);
        const QList<QPoint> edge{{0, 60}, {kWidth - 1, 60}, {92, 0}, {92, kHeight - 1}};
        const QList<QPoint> inside{{1, 60}, {kWidth - 2, 60}, {92, 1}, {92, kHeight - 2}};
        for (const QPoint& p : edge) {
            QCOMPARE(image.pixelColor(p), line);
        }
        for (const QPoint& p : inside) {
            QCOMPARE(image.pixelColor(p), green);
        }
    }

    void riseHoldFall() {
        frmNewAlert popup;
        popup.setAlertText(QStringLiteral("player7 started a new Chess tournament on Hall 2"));
        popup.rise();
        QVERIFY(popup.timer1().isActive() && !popup.isVisible());
        popup.Timer1_Timer();
        QVERIFY(popup.isVisible()); // from its first step onto the screen
        QCOMPARE(riseToEnd(popup), 60);
        QCOMPARE(popup.pos(), atRest());
        // At rest the bottom-right corner is the display's, whatever panels there are.
        QCOMPARE(popup.frameGeometry().bottomRight() + QPoint(1, 1), screenCorner());
        QVERIFY(popup.timer2().isActive());
        QVERIFY(!popup.timer3().isActive());

        popup.Timer2_Timer();
        QCOMPARE(popup.pos(), atRest());
        QVERIFY(!popup.timer2().isActive());
        QVERIFY(popup.timer3().isActive());
        QCOMPARE(fallToEnd(popup), 61);
        QCOMPARE(popup.pos(), parked());
        QVERIFY(!popup.isVisible() && popup.isShown());
        QVERIFY(!popup.timer1().isActive() && !popup.timer2().isActive());
        QCOMPARE(popup.alertText(),
                 QStringLiteral("player7 started a new Chess tournament on Hall 2"));
    }

    // Clicks come in through the window, as the window system delivers them, so
    // they reach whichever control lies under the pointer.
    void click_data() {
        QTest::addColumn<QString>("phase");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("dismisses");
        const QPoint message(92, 60);
        const QPoint surface(4, 112);
        const QPoint frame(0, 60);
        const QPoint title(92, 12);
        for (const char* phase : {"rising", "holding", "falling"}) {
            const QString p = QString::fromLatin1(phase);
            QTest::addRow("%s, on the message", phase) << p << message << true;
            QTest::addRow("%s, on the surface", phase) << p << surface << true;
            QTest::addRow("%s, on the frame line", phase) << p << frame << true;
            QTest::addRow("%s, on the title", phase) << p << title << false;
        }
    }
    void click() {
        QFETCH(QString, phase);
        QFETCH(QPoint, at);
        QFETCH(bool, dismisses);
        frmNewAlert popup;
        enterPhase(popup, phase);
        const QPoint before = popup.pos();
        const bool rising = popup.timer1().isActive();
        const bool holding = popup.timer2().isActive();
        const bool falling = popup.timer3().isActive();

        // Delivered to the control under the point without spinning the event loop:
        // on a slow machine a real glide tick could otherwise land between the reads.
        QWidget* target = popup.childAt(at);
        if (target == nullptr) {
            target = &popup;
        }
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&popup, at));

        if (dismisses) {
            QCOMPARE(popup.pos(), parked());
            QVERIFY(!popup.timer1().isActive());
            QVERIFY(!popup.timer3().isActive());
            // A hold tick still pending stays pending: it ends in one fall tick, unseen.
            QCOMPARE(popup.timer2().isActive(), holding);
            if (holding) {
                popup.Timer2_Timer();
                QCOMPARE(fallToEnd(popup), 1);
                QCOMPARE(popup.pos(), parked());
            }
        } else {
            QCOMPARE(popup.pos(), before);
            QCOMPARE(popup.timer1().isActive(), rising);
            QCOMPARE(popup.timer2().isActive(), holding);
            QCOMPARE(popup.timer3().isActive(), falling);
        }
    }

    // An announcement takes over from wherever the popup stands and rises.
    void announcementTakesOver_data() {
        QTest::addColumn<QString>("phase");
        QTest::addColumn<int>("ticksToRest");
        QTest::newRow("parked") << "parked" << 61;
        QTest::newRow("rising") << "rising" << 41;
        QTest::newRow("holding") << "holding" << 1;
        QTest::newRow("falling") << "falling" << 21;
    }
    void announcementTakesOver() {
        QFETCH(QString, phase);
        QFETCH(int, ticksToRest);
        frmNewAlert popup;
        enterPhase(popup, phase);
        const QPoint before = popup.pos();
        popup.setAlertText(QStringLiteral("second"));
        popup.rise();
        QCOMPARE(popup.pos(), before);
        QCOMPARE(popup.alertText(), QStringLiteral("second"));
        QVERIFY(popup.timer1().isActive());
        QVERIFY(!popup.timer2().isActive());
        QVERIFY(!popup.timer3().isActive());
        QCOMPARE(riseToEnd(popup), ticksToRest);
        QCOMPARE(popup.pos(), atRest());
        QVERIFY(popup.timer2().isActive());
    }

    // Text from the server is never markup: tags show as typed, nothing loads.
    void markupShownLiterally() {
        frmNewAlert popup;
        const QString record = QStringLiteral("<img src=\"file:///etc/hostname\"><b></b>");
        popup.setAlertText(record);
        QCOMPARE(popup.alertText(), record);
        QCOMPARE(popup.controls().lblAlert->textFormat(), Qt::PlainText);
        // Read as markup this would draw nothing at all; as text it shows its characters.
        popup.setAlertText(QStringLiteral("<b></b>"));
        QVERIFY(hasDarkPixels(popup.controls().lblAlert->grab().toImage()));
    }

    // Unloading stops the motion at once, even before the window is deleted.
    void unloadStopsTheTimers() {
        alerts::ui::WindowInstance<frmNewAlert> instance;
        frmNewAlert& popup = instance.show();
        QPointer<frmNewAlert> alive(&popup);
        popup.rise();
        riseToEnd(popup);
        popup.Timer2_Timer();
        QVERIFY(popup.timer3().isActive());
        instance.unload();
        QVERIFY(alive);
        QVERIFY(!alive->timer1().isActive() && !alive->timer2().isActive() &&
                !alive->timer3().isActive());
        QTRY_VERIFY(alive.isNull());
    }

    // The main window's road: one record shows the popup with its line and starts the rise.
    void recordFromTheServer() {
        alerts::ui::frmMain main({QStringLiteral("127.0.0.1"), QStringLiteral("9")});
        main.controls().chkBoth->setChecked(false);
        main.controls().chkShow->setChecked(true);
        QVERIFY(!main.newAlert().isLoaded());
        main.sckConnect_DataArrival(QByteArray("T\xB3\xC9"
                                               "Chess\xC9\xB3\xE7player7\xE7\xB3"
                                               "0\xB3\xFAHall 2\xFA"));
        QVERIFY(main.newAlert().isLoaded());
        frmNewAlert& popup = *main.newAlert().get();
        QVERIFY(popup.isShown());
        QCOMPARE(popup.alertText(),
                 QStringLiteral("player7 started a new Chess tournament on Hall 2"));
        QCOMPARE(popup.pos(), parked());
        QVERIFY(popup.timer1().isActive());
        main.cmdExit_Click();
    }

    // Readers are told of a notification named by its title, whose description
    // is the line it shows now (also after a second announcement while it rises);
    // they find the title and the line as labels, the line as typed, and nothing of
    // the controls outside the window. It takes no focus; the main window is as it was.
    void readersSeeANotification() {
        alerts::ui::frmMain main({QStringLiteral("127.0.0.1"), QStringLiteral("9")});
        frmNewAlert popup;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&popup);
        QCOMPARE(iface->role(), QAccessible::Notification);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Tournament Started"));
        QVERIFY(iface->state().invisible); // parked
        for (const QString& line : {QStringLiteral("first started a new Chess tournament on A"),
                                    QStringLiteral("<b>second</b> started")}) {
            popup.setAlertText(line);
            popup.rise();
            popup.Timer1_Timer();
            QCOMPARE(iface->text(QAccessible::Description), line);
            QVERIFY(!iface->state().invisible);
        }
        QStringList children;
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            QCOMPARE(iface->indexOfChild(child), i);
            children << child->object()->objectName() + '=' + child->text(QAccessible::Name);
        }
        QCOMPARE(children, (QStringList{"s=", "lblTitle=Tournament Started",
                                        "lblAlert=<b>second</b> started"}));
        QVERIFY(!iface->state().focusable && !iface->state().focused);
        QVERIFY(!popup.isActiveWindow());

        auto& ui = main.controls();
        for (QAbstractButton* control : std::initializer_list<QAbstractButton*>{
                 ui.cmdExit, ui.cmdHide, ui.chkShow, ui.chkBoth, ui.chkSound, ui.chkDisable}) {
            QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
                     control->text());
        }
        QVERIFY(QAccessible::queryAccessibleInterface(&main)->role() != QAccessible::Notification);
        main.cmdExit_Click();
    }
};

QTEST_MAIN(tst_frmnewalert)
#include "tst_frmnewalert.moc"
