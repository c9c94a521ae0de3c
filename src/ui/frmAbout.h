// SPDX-License-Identifier: MIT
#pragma once

#include "ui_frmAbout.h"

#include <QTimer>
#include <QWidget>

namespace alerts::ui {

// The About window: version line, picture, OK, and the credits ticker in Label1.
// Constructing it is loading it; the owner unloads it (see WindowInstance).
class frmAbout final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTickerIntervalMs = 40; // Timer1

    explicit frmAbout(QWidget* parent = nullptr);

    // Handlers, public so that tests can drive them as the event loop would.
    void Timer1_Timer();
    void cmdOK_Click();

    [[nodiscard]] Ui::frmAbout& controls() { return m_ui; }
    [[nodiscard]] const QTimer& timer1() const { return Timer1; }

signals:
    // OK or the close box: the owner unloads the window.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();

    // Controls in design order; the visible ones come from the .ui design.
    Ui::frmAbout m_ui{};
    QTimer Timer1{this}; // a child, so that unloading the window stops it
};

} // namespace alerts::ui
