// SPDX-License-Identifier: MIT
#include "ui/frmNewAlert.h"

#include "core/geometry.h"
#include "platform/look/ClassicFont.h"
#include "platform/look/NotificationAccessible.h"
#include "platform/look/ProgramIcon.h"
#include "platform/screen/DevicePixels.h"
#include "platform/screen/ScreenMetrics.h"
#include "platform/screen/TopMost.h"
#include "ui/FormTimer.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

namespace alerts::ui {

namespace {

// A click is a left-button press and release on the same control.
bool releasedInside(const QWidget& widget, const QMouseEvent& event) {
    return event.button() == Qt::LeftButton && widget.rect().contains(event.position().toPoint());
}

} // namespace

frmNewAlert::frmNewAlert(QWidget* parent) : QWidget(parent) {
    setFont(platform::classicFont());
    m_ui.setupUi(this);
    // Bold even where the system's face has no bold of its own.
    m_ui.lblTitle->setFont(platform::classicFont(true));
    setWindowIcon(platform::programIcon());
    // No border, no title bar, no taskbar button.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    // The design's own place, which the load handling leaves at once.
    move(kDesignLeft, kDesignTop);

    // Labels write in the button-text colour, the frame line in the window-text colour.
    for (QLabel* label : findChildren<QLabel*>()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::ButtonText));
        label->setPalette(palette);
    }
    // The frame line belongs to the window's surface: a click on it is the window's.
    m_ui.s->setAttribute(Qt::WA_TransparentForMouseEvents);
    // A click on the title does nothing; without this it would reach the window.
    m_ui.lblTitle->setAttribute(Qt::WA_NoMousePropagation);
    m_ui.lblAlert->installEventFilter(this);
    // It takes no focus, so screen readers hear of it only as a notification.
    platform::NotificationAccessible::attach(*this, *m_ui.lblAlert);

    initTimer(Timer3, kFallIntervalMs, false, Qt::PreciseTimer);
    initTimer(Timer2, kHoldIntervalMs, false, Qt::PreciseTimer);
    initTimer(Timer1, kRiseIntervalMs, false, Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &frmNewAlert::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &frmNewAlert::Timer2_Timer);
    connect(&Timer3, &QTimer::timeout, this, &frmNewAlert::Timer3_Timer);

    Form_Load();

    // The popup belongs to the primary screen's corner as that screen is now.
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &frmNewAlert::watchPrimaryScreen);
    watchPrimaryScreen();
}

void frmNewAlert::Form_Load() {
    // Shown first, at its design place, then parked below the screen.
    platform::makeTopMost(*this);
    m_parking = currentParkingPlace();
    moveTwips(m_parking.alertLeft, m_parking.screenBottom);
}

core::ParkingPlace frmNewAlert::currentParkingPlace() const {
    const platform::ScreenMetrics screen = platform::primaryScreenMetrics();
    return core::parkingPlace(screen.left + screen.width, screen.top + screen.height,
                              place().width);
}

void frmNewAlert::watchPrimaryScreen() {
    disconnect(m_screenWatch);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m_screenWatch =
            connect(screen, &QScreen::geometryChanged, this, &frmNewAlert::followScreen);
    }
    followScreen();
}

void frmNewAlert::followScreen() {
    const core::ParkingPlace now = currentParkingPlace();
    if (now == m_parking) {
        return;
    }
    using enum core::Glide;
    const core::Glide glide = Timer1.isActive() ? Rising : Timer3.isActive() ? Falling : None;
    const Place here = place();
    const std::optional<int> top = core::followScreen(here.top, here.height, m_parking, now, glide);
    m_parking = now;
    moveTwips(m_parking.alertLeft, top.value_or(here.top));
}

void frmNewAlert::setAlertText(const QString& text) {
    m_ui.lblAlert->setText(text);
}

QString frmNewAlert::alertText() const {
    return m_ui.lblAlert->text();
}

void frmNewAlert::setVisible(bool visible) {
    m_shown = visible;
    if (!visible) {
        QWidget::setVisible(false);
        return;
    }
    create(); // placed and clipped in the window system's pixels, seen or not
    moveOnPrimaryScreen(platform::devicePixelGeometry(*this).topLeft());
}

void frmNewAlert::rise() {
    followScreen(); // a change the window system has not reported yet
    apply(core::announce());
    platform::NotificationAccessible::present(*this);
}

void frmNewAlert::Timer1_Timer() {
    setTopTwips(core::riseStep(place().top));
    const Place moved = place();
    apply(core::riseSettled(moved.top, moved.height, m_parking.screenBottom));
}

void frmNewAlert::Timer2_Timer() {
    apply(core::holdTick());
}

void frmNewAlert::Timer3_Timer() {
    setTopTwips(core::fallStep(place().top));
    apply(core::fallSettled(place().top, m_parking.screenBottom));
}

void frmNewAlert::Form_Click() {
    apply(core::dismiss(m_parking.screenBottom));
}

void frmNewAlert::lblAlert_Click() {
    apply(core::dismiss(m_parking.screenBottom));
}

void frmNewAlert::apply(const core::MotionOutcome& outcome) {
    if (outcome.top) {
        setTopTwips(*outcome.top);
    }
    if (outcome.timers.rise) {
        setTimerEnabled(Timer1, *outcome.timers.rise);
    }
    if (outcome.timers.hold) {
        setTimerEnabled(Timer2, *outcome.timers.hold);
    }
    if (outcome.timers.fall) {
        setTimerEnabled(Timer3, *outcome.timers.fall);
    }
}

// The window's place and size are read back from the window system in its own
// pixels, at the screen's twips per pixel: at rest the popup's edges land on the
// screen's edges whatever the scale.
frmNewAlert::Place frmNewAlert::place() const {
    const QRect pixels = platform::devicePixelGeometry(*this);
    const platform::ScreenMetrics screen = platform::primaryScreenMetrics();
    Place here{.left = core::pixelsToTwips(pixels.left(), screen.twipsPerPixelX),
               .top = core::pixelsToTwips(pixels.top(), screen.twipsPerPixelY),
               .width = core::pixelsToTwips(pixels.width(), screen.twipsPerPixelX),
               .height = core::pixelsToTwips(pixels.height(), screen.twipsPerPixelY)};
    // Where the window still stands on the pixel it was put on, the twips it was
    // put at are its place: at 1.25 a step is 2.5 pixels, and read back from the
    // pixel each step would round to 2.
    if (m_placed) {
        if (core::twipsToPixels(m_placed->x(), screen.twipsPerPixelX) == pixels.left()) {
            here.left = m_placed->x();
        }
        if (core::twipsToPixels(m_placed->y(), screen.twipsPerPixelY) == pixels.top()) {
            here.top = m_placed->y();
        }
    }
    return here;
}

void frmNewAlert::moveTwips(int left, int top) {
    const platform::ScreenMetrics screen = platform::primaryScreenMetrics();
    m_placed = QPoint(left, top);
    moveOnPrimaryScreen({core::twipsToPixels(left, screen.twipsPerPixelX),
                         core::twipsToPixels(top, screen.twipsPerPixelY)});
}

// Below the primary screen there may be another one (a laptop under its
// monitor): the popup is seen only on the primary screen. At no moment of a move
// does a pixel of it show elsewhere: clipped to what is seen both before and
// after, moved, then clipped to what is seen after; hidden before it leaves the
// screen, shown once it is on it. Every step is clipped, whether or not Qt knows
// of a screen there: under Wine, a popup left whole showed on the screen below.
void frmNewAlert::moveOnPrimaryScreen(QPoint topLeft) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area = primary != nullptr ? platform::devicePixelGeometry(*primary) : QRect();
    const QRect from = platform::devicePixelGeometry(*this);
    const QRect to(topLeft, from.size());
    const QRect seenAfter = area.intersected(to).translated(-to.topLeft());
    if (seenAfter.isEmpty()) {
        hideOffScreen();
        platform::moveToDevicePixel(*this, topLeft);
        return;
    }
    if (isVisible()) {
        const QRect seenBoth = area.intersected(from).translated(-from.topLeft()) & seenAfter;
        if (seenBoth.isEmpty()) {
            hideOffScreen();
        } else {
            clipTo(seenBoth);
        }
    }
    platform::moveToDevicePixel(*this, topLeft);
    clipTo(seenAfter);
    if (m_shown && !isVisible()) {
        QWidget::setVisible(true);
    }
}

// What the window system kept of the mask while the window was hidden is not
// relied on: the first mask after a show is always asked for.
void frmNewAlert::hideOffScreen() {
    QWidget::setVisible(false);
    m_clip.reset();
}

// A mask is a request to the window system even when it changes nothing (and
// under Wine a new window region), so only a change is asked for.
void frmNewAlert::clipTo(const QRect& part) {
    const Clip clip{internalWinId(), part};
    if (m_clip != clip) {
        platform::clipToDevicePixels(*this, part);
        m_clip = clip;
    }
}

void frmNewAlert::mousePressEvent(QMouseEvent* event) {
    m_formPressed = event->button() == Qt::LeftButton;
    event->accept();
}

void frmNewAlert::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_formPressed && releasedInside(*this, *event);
    m_formPressed = false;
    event->accept();
    if (click) {
        Form_Click();
    }
}

bool frmNewAlert::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_ui.lblAlert) {
        return QWidget::eventFilter(watched, event);
    }
    // The message label's own click; it must not reach the window as well.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_alertPressed = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        return true;
    case QEvent::MouseButtonRelease: {
        const bool click =
            m_alertPressed && releasedInside(*m_ui.lblAlert, *static_cast<QMouseEvent*>(event));
        m_alertPressed = false;
        if (click) {
            lblAlert_Click();
        }
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

} // namespace alerts::ui
