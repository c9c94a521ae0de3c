// SPDX-License-Identifier: MIT
#include "platform/TrayIcon.h"

#include <QCursor>

#include <algorithm>

namespace alerts::platform {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason) {
    // Trigger is a left press, Context a right press. Double and middle clicks open
    // nothing, so a double click never restores the window. The menu is not the
    // icon's context menu: Qt would open that one itself on a right press.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) && m_menu) {
        m_menu->popup(QCursor::pos());
    }
}

void TrayIcon::setIcon(const QIcon& icon) {
    m_icon.setIcon(icon);
}

void TrayIcon::setToolTip(const QString& caption) {
    qsizetype length = std::min(caption.size(), qsizetype{kMaxTipLength});
    if (length > 0 && length < caption.size() && caption.at(length - 1).isHighSurrogate()) {
        --length; // never keep half of a character
    }
    m_icon.setToolTip(caption.left(length));
}

void TrayIcon::setMenu(QMenu* menu) {
    m_menu = menu;
    if (menu) {
        m_leftButtonChooses.watch(*menu);
    }
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

QIcon TrayIcon::icon() const {
    return m_icon.icon();
}

bool TrayIcon::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace alerts::platform
