// SPDX-License-Identifier: MIT
#include "platform/TrayIcon.h"

namespace alerts::platform {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Trigger is a left press, Context a right press. Double and middle
                // clicks open nothing, so a double click never restores the window.
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) {
                    emit pressed();
                }
            });
}

void TrayIcon::setIcon(const QIcon& icon) {
    m_icon.setIcon(icon);
}

void TrayIcon::setToolTip(const QString& caption) {
    m_icon.setToolTip(caption.left(kMaxTipLength));
}

void TrayIcon::add() {
    m_icon.show();
}

void TrayIcon::remove() {
    m_icon.hide();
}

bool TrayIcon::isPresent() const {
    return m_icon.isVisible();
}

QString TrayIcon::toolTip() const {
    return m_icon.toolTip();
}

bool TrayIcon::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace alerts::platform
