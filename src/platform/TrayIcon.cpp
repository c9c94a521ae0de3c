// SPDX-License-Identifier: MIT
#include "platform/TrayIcon.h"

#include "platform/UserTime.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>

namespace alerts::platform {

namespace {

// A Wayland client cannot open a menu of its own by the icon: with no window of
// its own under the pointer it has nothing to place it against, and the menu
// would come up as an ordinary window wherever the compositor puts one.
bool hostShowsMenu() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason) {
    // Trigger is a left press, Context a right press. Double and middle clicks open
    // nothing, so a double click never restores the window. The menu is not the
    // icon's context menu: Qt would open that one itself on a right press.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) && m_menu &&
        !hostShowsMenu()) {
        catchUpWithServerTime();
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
    // There the tray host shows the menu itself, handed over D-Bus (DBusMenu),
    // as Plasma and waybar do for a right click on the icon.
    if (hostShowsMenu()) {
        m_icon.setContextMenu(menu);
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
