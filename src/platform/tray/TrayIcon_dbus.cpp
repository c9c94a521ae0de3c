// SPDX-License-Identifier: MIT
// The icon as a StatusNotifierItem, beside Qt's own tray icon for an XEmbed tray.
#include "platform/tray/TrayIcon.h"

#include "platform/tray/StatusNotifierItem.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

namespace alerts::platform {

namespace {

// Qt's own tray icon: the XEmbed tray of an X11 panel (trayer, and most panels
// besides).
bool qtTrayPresent() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return false;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    return native != nullptr && native->nativeResourceForScreen(
                                    "traywindow", QGuiApplication::primaryScreen()) != nullptr;
}

// One for the program, followed from the first moment on.
StatusNotifierHost& host() {
    static QPointer<StatusNotifierHost> host;
    if (host == nullptr) {
        host = new StatusNotifierHost(qApp);
    }
    return *host;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
    m_item = std::make_unique<StatusNotifierItem>();
    // The host may be on its way (Plasma's comes seconds after its panel): the
    // item must not be left to Qt, which decides once whether it goes over D-Bus.
    m_item->setMenuOnPress(hostShowsMenu());
    connect(m_item.get(), &StatusNotifierItem::pressed, this,
            [this](StatusNotifierItem::Press press, QPoint at) {
                using enum StatusNotifierItem::Press;
                const auto reason = press == Primary   ? QSystemTrayIcon::Trigger
                                    : press == Context ? QSystemTrayIcon::Context
                                                       : QSystemTrayIcon::MiddleClick;
                // 0,0 is what hosts send when they know no place.
                activated(reason, at.isNull() ? std::nullopt : std::optional(at));
            });
}

// Here, where the item's type is complete.
TrayIcon::~TrayIcon() = default;

StatusNotifierItem& TrayIcon::statusNotifierItem() {
    return *m_item;
}

void TrayIcon::watchHosts() {
    connect(&host(), &StatusNotifierHost::watcherAppeared, m_item.get(),
            &StatusNotifierItem::registerWithWatcher, Qt::UniqueConnection);
}

void TrayIcon::setItemIcon(const QIcon& icon) {
    m_item->setIcon(icon);
}

void TrayIcon::setItemToolTip(const QString& tip) {
    m_item->setToolTip(tip);
}

void TrayIcon::setItemMenu(QMenu* menu) {
    // Handed over D-Bus (DBusMenu) for the hosts that show it themselves: all of
    // them on Wayland, GNOME's on a right click everywhere.
    m_item->setMenu(menu);
}

bool TrayIcon::showItem() {
    if (host().isRegistered() || !qtTrayPresent()) {
        // Without a host yet the item waits registered for one.
        m_item->show();
        return true;
    }
    return false;
}

void TrayIcon::hideItem() {
    m_item->hide();
}

bool TrayIcon::isAvailable() {
    // Hiding on a host that has just gone would lose the window, and minimising
    // beside one that has just come would leave it in the window list: ask now.
    host().ask();
    if (host().isRegistered()) {
        return true;
    }
    // A watcher whose host has not come yet: Qt would take it for a D-Bus tray.
    if (host().hasWatcher()) {
        return false;
    }
    return qtTrayPresent();
}

} // namespace alerts::platform
