// SPDX-License-Identifier: MIT
// Without D-Bus: Qt's own tray icon alone.
#include "platform/tray/TrayIcon.h"

namespace alerts::platform {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

TrayIcon::~TrayIcon() = default;

void TrayIcon::watchHosts() {}

void TrayIcon::setItemIcon(const QIcon& /*icon*/) {}

void TrayIcon::setItemToolTip(const QString& /*tip*/) {}

void TrayIcon::setItemMenu(QMenu* /*menu*/) {}

bool TrayIcon::showItem() {
    return false;
}

void TrayIcon::hideItem() {}

bool TrayIcon::isAvailable() {
    // Qt's own tray icon: the system's notification area.
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace alerts::platform
