// SPDX-License-Identifier: MIT
#pragma once

#include "core/motion.h"
#include "ui_frmNewAlert.h"

#include <QTimer>
#include <QWidget>

#include <optional>

namespace alerts::ui {

// The alert popup: parked just below the screen's bottom-right corner, it rises
// to show an announcement, holds it for five seconds and falls back. It never
// takes the focus, and a click anywhere but on the title sends it down at once.
// Only the primary screen ever shows it: parked it is hidden, since another
// screen may lie below, and gliding it shows only its part on that screen.
class frmNewAlert final : public QWidget {
    Q_OBJECT
public:
    // The glide asks for ticks as fast as the window system gives them; this
    // floor keeps the pace of 30 twips a tick at about one second a glide.
    static constexpr int kRiseIntervalMs = 16;   // Timer1
    static constexpr int kHoldIntervalMs = 5000; // Timer2
    static constexpr int kFallIntervalMs = 16;   // Timer3
    static constexpr int kDesignLeft = 833;
    static constexpr int kDesignTop = 768;

    // Creating the popup loads it: top-most, shown without activation, parked.
    explicit frmNewAlert(QWidget* parent = nullptr);

    // An announcement, after the window has been made visible: the text, then rise().
    void setAlertText(const QString& text);
    [[nodiscard]] QString alertText() const;
    void rise();

    // Made visible by its caller (loaded and shown); the window system shows it
    // only while some of it stands on the primary screen.
    void setVisible(bool visible) override;
    [[nodiscard]] bool isShown() const { return m_shown; }

    // Handlers, public so that tests can drive them as the event loop would.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Form_Click();
    void lblAlert_Click();

    [[nodiscard]] Ui::frmNewAlert& controls() { return m_ui; }
    [[nodiscard]] const QTimer& timer1() const { return Timer1; }
    [[nodiscard]] const QTimer& timer2() const { return Timer2; }
    [[nodiscard]] const QTimer& timer3() const { return Timer3; }
    // Where the load handling parked the popup, in twips.
    [[nodiscard]] int alertLeft() const { return m_parking.alertLeft; }
    [[nodiscard]] int screenBottom() const { return m_parking.screenBottom; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void apply(const core::MotionOutcome& outcome);
    [[nodiscard]] core::ParkingPlace currentParkingPlace() const;
    void watchPrimaryScreen();
    void followScreen();
    // The window's actual place and size in twips, read afresh each time.
    struct Place {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
    };
    [[nodiscard]] Place place() const;
    void moveTwips(int left, int top);
    // To this device pixel, showing only what stands on the primary screen.
    void moveOnPrimaryScreen(QPoint topLeft);
    // Shows only this part of the window (its device pixels), as clipToDevicePixels.
    void clipTo(const QRect& part);
    // Hidden while it stands wholly off the primary screen.
    void hideOffScreen();
    void setTopTwips(int top) { moveTwips(place().left, top); } // Left stays

    // Timers are children of the window, so unloading it stops them.
    QTimer Timer3{this};
    QTimer Timer2{this};
    QTimer Timer1{this};
    Ui::frmNewAlert m_ui{};
    core::ParkingPlace m_parking;
    QMetaObject::Connection m_screenWatch;
    // Where the window was last put, in twips: finer than its whole pixels at a
    // fractional scale, so the glide keeps its pace there.
    std::optional<QPoint> m_placed;
    // The part last shown, and of which native window: a new one starts whole.
    struct Clip {
        WId window = 0;
        QRect part;
        bool operator==(const Clip&) const = default;
    };
    std::optional<Clip> m_clip;
    bool m_shown = false;
    bool m_formPressed = false;
    bool m_alertPressed = false;
};

} // namespace alerts::ui
