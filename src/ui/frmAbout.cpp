// SPDX-License-Identifier: MIT
#include "ui/frmAbout.h"

#include "core/ticker.h"
#include "platform/ClassicFont.h"
#include "ui/FormTimer.h"

#include <QCloseEvent>
#include <QFontMetrics>

namespace alerts::ui {

namespace {

// The substitute face runs a little wider than the bitmap font the design was
// sized for; tighten the letters just enough to keep a one-line label on one line.
void keepOnOneLine(QLabel& label) {
    constexpr int kTightestSpacing = 85; // percent
    QFont font = label.font();
    for (int spacing = 100; spacing >= kTightestSpacing &&
                            QFontMetrics(font).horizontalAdvance(label.text()) > label.width();
         --spacing) {
        font.setLetterSpacing(QFont::PercentageSpacing, spacing);
    }
    label.setFont(font);
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {
    setFont(platform::classicFont());
    m_ui.setupUi(this);
    // A fixed single border with the close box alone: no minimise, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    keepOnOneLine(*m_ui.lblVersion);
    // Only the main window's unload ends the program, whatever the application's
    // quit-on-last-window setting says.
    setAttribute(Qt::WA_QuitOnClose, false);

    initTimer(Timer1, kTickerIntervalMs, false);
    connect(&Timer1, &QTimer::timeout, this, &frmAbout::Timer1_Timer);
    connect(m_ui.cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    m_ui.cmdOK->setFocus();
    Form_Load();
}

void frmAbout::Form_Load() {
    setTimerEnabled(Timer1, true);
}

void frmAbout::Timer1_Timer() {
    const std::optional<core::TickerStep> step =
        core::tickerStep(m_ui.Label1->text().toStdU16String());
    if (!step) {
        return; // not a frame of the chain: left as it is, and the timer keeps running
    }
    m_ui.Label1->setText(QString::fromStdU16String(step->caption));
    if (step->last) {
        setTimerEnabled(Timer1, false);
    }
}

void frmAbout::cmdOK_Click() {
    emit unloadRequested();
}

void frmAbout::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloadRequested();
}

} // namespace alerts::ui
