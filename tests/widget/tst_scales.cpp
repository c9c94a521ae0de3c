// SPDX-License-Identifier: MIT
// The three windows at a device pixel ratio (QT_SCALE_FACTOR): every caption fits
// its control whole, in the face the program carries, and the icon is sharp. Run
// once per ratio, on a desk whose fontconfig offers only DejaVu, so that nothing
// but the carried face can make the captions fit.
#include "core/codepage.h"
#include "core/ticker.h"
#include "platform/look/ClassicFont.h"
#include "platform/screen/DevicePixels.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/frmNewAlert.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTest>

#include <cmath>
#include <memory>
#include <string>

using namespace Qt::StringLiterals;
using namespace alerts;

namespace {

// Fusion with the check indicator and spacing of KDE's Breeze (20 and 4 pixels).
class WideIndicatorStyle final : public QProxyStyle {
public:
    WideIndicatorStyle() : QProxyStyle(u"Fusion"_s) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
            return 20;
        case PM_CheckBoxLabelSpacing:
            return 4;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

class tst_scales final : public QObject {
    Q_OBJECT

    QString m_style;
    QString m_defaultStyle = QApplication::style()->name();

    // The whole application's style, as a desktop sets it; the windows follow.
    void useStyle(const QString& name) {
        if (name == m_style) {
            return;
        }
        m_style = name;
        if (name == u"wide indicator"_s) {
            QApplication::setStyle(new WideIndicatorStyle);
        } else {
            QApplication::setStyle(name.isEmpty() ? m_defaultStyle : name);
        }
    }

    std::unique_ptr<ui::frmMain> m_main;
    std::unique_ptr<ui::frmAbout> m_about;
    std::unique_ptr<ui::frmNewAlert> m_popup;

    QWidget* window(const QString& name) const {
        if (name == u"frmMain"_s) {
            return m_main.get();
        }
        return name == u"frmAbout"_s ? static_cast<QWidget*>(m_about.get()) : m_popup.get();
    }

private slots:
    void initTestCase() {
        m_main = std::make_unique<ui::frmMain>(ui::ServerEndpoint{u"127.0.0.1"_s, u"9"_s});
        m_about = std::make_unique<ui::frmAbout>();
        m_popup = std::make_unique<ui::frmNewAlert>();
        m_main->show();
        m_about->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
        QCOMPARE(m_main->devicePixelRatio(), ratio);
        QCOMPARE(m_about->devicePixelRatio(), ratio);
    }

    // The windows draw with the carried file itself, not with another release of
    // the family that the machine may have; cut down as it may be, it has a glyph
    // for every character of Windows-1252, the code page of all the server sends.
    void carriedFaceIsUsed() {
        std::string everyByte;
        for (int byte = 0x20; byte <= 0xFF; ++byte) {
            everyByte += static_cast<char>(byte);
        }
        const QString repertoire = QString::fromStdU16String(core::decodeWindows1252(everyByte));
        for (const auto& [file, bold] : {std::pair{":/alerts/fonts/Regular.ttf", false},
                                         std::pair{":/alerts/fonts/Bold.ttf", true}}) {
            QFile carried(QString::fromLatin1(file));
            QVERIFY2(carried.open(QIODevice::ReadOnly), file);
            const QRawFont expected(carried.readAll(), 11);
            const QRawFont used = QRawFont::fromFont(platform::classicFont(bold));
            QCOMPARE(used.familyName(), expected.familyName());
            QCOMPARE(used.fontTable("head"), expected.fontTable("head"));
            for (const QChar c : repertoire) {
                // The code page's five gaps decode to controls, which draw nothing.
                QVERIFY2(c.category() == QChar::Other_Control || expected.supportsCharacter(c),
                         qPrintable(u"%1 has no glyph in %2"_s.arg(c.unicode(), 4, 16).arg(file)));
            }
        }
        QCOMPARE(QRawFont::fromFont(m_popup->controls().lblTitle->font()).fontTable("head"),
                 QRawFont::fromFont(platform::classicFont(true)).fontTable("head"));
    }

    // Drawn from the 256 px picture wherever it is drawn larger than 32 px: at a
    // whole ratio each pixel of the 32 px art becomes a clean square of device
    // pixels, not a blur of a picture stretched up.
    void iconIsSharp() {
        const qreal ratio = m_about->devicePixelRatio();
        if (ratio != std::floor(ratio)) {
            QSKIP("no whole-pixel enlargement of the art to compare with at this ratio");
        }
        const QSize size = QSize(32, 32) * ratio;
        const QImage art = QImage(u":/alerts/icon.png"_s)
                               .scaled(size)
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        // The windows' and the tray's icon, as the window system is given it.
        for (const QWidget* window :
             {static_cast<QWidget*>(m_main.get()), static_cast<QWidget*>(m_about.get()),
              static_cast<QWidget*>(m_popup.get())}) {
            QImage given = window->windowIcon().pixmap(QSize(32, 32), ratio).toImage();
            given.setDevicePixelRatio(1);
            QCOMPARE(given.convertToFormat(QImage::Format_ARGB32_Premultiplied), art);
        }
        // The About window's picture.
        QImage drawn(size, QImage::Format_ARGB32_Premultiplied);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        m_about->controls().Image1->render(&drawn, {}, {}, QWidget::DrawChildren);
        drawn.setDevicePixelRatio(1);
        QCOMPARE(drawn, art);
    }

    // The glide keeps its pace at every ratio, though a step of 30 twips is 2.5
    // device pixels at 1.25: 61 ticks each way, and the popup rests flush in the
    // corner, to the device pixel.
    void glideKeepsItsPace() {
        ui::frmNewAlert& popup = *m_popup;
        popup.rise();
        const auto ticksOf = [&](void (ui::frmNewAlert::*tick)(), const QTimer& timer) {
            int ticks = 0;
            for (; timer.isActive() && ticks < 1000; ++ticks) {
                (popup.*tick)();
            }
            return ticks;
        };
        QCOMPARE(ticksOf(&ui::frmNewAlert::Timer1_Timer, popup.timer1()), 61);
        const QRect screen = platform::devicePixelGeometry(*QGuiApplication::primaryScreen());
        const QRect atRest = platform::devicePixelGeometry(popup);
        QCOMPARE(atRest.bottomRight(), screen.bottomRight());
        popup.Timer2_Timer();
        QCOMPARE(ticksOf(&ui::frmNewAlert::Timer3_Timer, popup.timer3()), 61);
        QCOMPARE(platform::devicePixelGeometry(popup).top(), screen.bottom() + 1);
    }

    void captionFits_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption"); // empty: the design's own
        QTest::addColumn<QString>("style");   // empty: the one Qt chose
        // The desktops' own looks: GNOME's Fusion, Plasma's Breeze (where it is
        // installed), and Fusion with Breeze's larger check indicator everywhere.
        QStringList styles{QString(), u"Fusion"_s, u"wide indicator"_s};
        if (QStyleFactory::keys().contains(u"Breeze"_s, Qt::CaseInsensitive)) {
            styles << u"Breeze"_s;
        }
        for (const QString& style : styles) {
            for (const QString& form : {u"frmMain"_s, u"frmAbout"_s, u"frmNewAlert"_s}) {
                for (const QWidget* child : window(form)->findChildren<QWidget*>()) {
                    const auto* label = qobject_cast<const QLabel*>(child);
                    const auto* button = qobject_cast<const QAbstractButton*>(child);
                    const auto* frame = qobject_cast<const QGroupBox*>(child);
                    if ((label && !label->text().isEmpty()) ||
                        (button && !button->text().isEmpty()) || frame) {
                        QTest::addRow("%s/%s %s", qPrintable(form), qPrintable(child->objectName()),
                                      qPrintable(style))
                            << form << child->objectName() << QString() << style;
                    }
                }
            }
        }
        // Captions the code writes.
        for (const char* status : {"Connected!", "Disconnected"}) {
            QTest::addRow("frmMain/lblConnected %s", status)
                << u"frmMain"_s << u"lblConnected"_s << QString::fromLatin1(status) << QString();
        }
        const std::u16string credits = core::tickerFrame(core::kTickerLastFrame);
        QTest::addRow("frmAbout/Label1 credits typed out")
            << u"frmAbout"_s << u"Label1"_s << QString::fromStdU16String(credits) << QString();
    }
    void captionFits() {
        QFETCH(QString, form);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, style);
        useStyle(style);
        auto* widget = window(form)->findChild<QWidget*>(control);
        QVERIFY(widget);
        const QFontMetricsF metrics(widget->font());

        if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            // What is left of the box once the style has taken the indicator and margins.
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            const QRect room =
                box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            QVERIFY2(metrics.horizontalAdvance(box->text()) <= room.width(),
                     qPrintable(u"%1 px for %2 px"_s.arg(metrics.horizontalAdvance(box->text()))
                                    .arg(room.width())));
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            const int margins =
                2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            QVERIFY(metrics.horizontalAdvance(button->text()) + margins <= button->width());
        } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            QVERIFY(metrics.horizontalAdvance(frame->title()) <= frame->contentsRect().width());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            const QString previous = label->text();
            if (!caption.isEmpty()) {
                label->setText(caption);
            }
            // Whole: the laid-out text needs no more lines than its own line breaks
            // make, unless the label wraps by design (the credits), and then every
            // line it makes lies within the label.
            const int oneLine = metrics.lineSpacing() * (label->text().count(u'\n') + 1);
            const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : 0;
            const qreal widest = [&] {
                qreal most = 0;
                for (const QString& line : label->text().split(u'\n')) {
                    most = std::max(most, metrics.horizontalAdvance(line.trimmed()));
                }
                return most;
            }();
            label->setText(previous);
            if (control == u"Label1"_s) {
                QVERIFY2(needed <= label->height(),
                         qPrintable(u"%1 px of text in %2"_s.arg(needed).arg(label->height())));
            } else {
                QVERIFY2(widest <= label->contentsRect().width(),
                         qPrintable(u"%1 px for %2 px"_s.arg(widest).arg(label->width())));
                QVERIFY2(needed <= label->height() && needed <= oneLine + 1,
                         qPrintable(u"wraps: %1 px high"_s.arg(needed)));
            }
        } else {
            QFAIL("a control with a caption of an unknown kind");
        }
    }
};

QTEST_MAIN(tst_scales)
#include "tst_scales.moc"
