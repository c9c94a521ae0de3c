// SPDX-License-Identifier: MIT
#include "ui/frmAbout.h"

#include "core/ticker.h"
#include "platform/look/ClassicFont.h"
#include "platform/look/ProgramIcon.h"
#include "ui/FormTimer.h"

#include <QCloseEvent>
#include <QFontMetricsF>

#include <cmath>

namespace alerts::ui {

namespace {

// The version line runs a few pixels wider than the bitmap font it was sized
// for. Close the letters up by just what the measured text exceeds the label
// by, at whatever scale the window is drawn, so the line stays whole on one line.
void keepOnOneLine(QLabel& label) {
    QFont font = label.font();
    const QString text = label.text();
    const qreal available = label.contentsRect().width();
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (text.isEmpty() || natural <= available) {
        return;
    }
    // The spacing goes after every character; Qt keeps it in 1/64 pixel steps.
    constexpr qreal kStep = 1.0 / 64;
    qreal spacing = std::floor((available - natural) / text.size() / kStep) * kStep;
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    for (int i = 0; i < 64 && QFontMetricsF(font).horizontalAdvance(text) > available; ++i) {
        spacing -= kStep;
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    }
    label.setFont(font);
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent) {
    setFont(platform::classicFont());
    m_ui.setupUi(this);
    setWindowIcon(platform::programIcon());
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
