// SPDX-License-Identifier: MIT
#include "platform/tray/TrayIcon.h"

#include "platform/screen/DevicePixels.h"
#include "platform/tray/UserTime.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>

#ifdef ALERTS_HAVE_DBUS
#include "platform/tray/StatusNotifierItem.h"
#endif

#include <algorithm>

namespace alerts::platform {

namespace {

// A Wayland client cannot open a menu of its own by the icon: with no window of
// its own under the pointer it has nothing to place it against, and the menu
// would come up as an ordinary window wherever the compositor puts one.
bool hostShowsMenu() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Qt's own tray icon: the XEmbed tray of an X11 panel (trayer, and most panels
// besides), or the system's notification area where there is no D-Bus.
bool qtTrayPresent() {
#ifdef ALERTS_HAVE_DBUS
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return false;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    return native != nullptr && native->nativeResourceForScreen(
                                    "traywindow", QGuiApplication::primaryScreen()) != nullptr;
#else
    return QSystemTrayIcon::isSystemTrayAvailable();
#endif
}

#ifdef ALERTS_HAVE_DBUS
// One for the program, followed from the first moment on.
StatusNotifierHost& host() {
    static QPointer<StatusNotifierHost> host;
    if (host == nullptr) {
        host = new StatusNotifierHost(qApp);
    }
    return *host;
}
#endif

// A place the tray host names, in the display's pixels, in Qt's coordinates.
QPoint fromDevicePixels(QPoint at) {
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        const QRect device = devicePixelGeometry(*screen);
        if (device.contains(at)) {
            const qreal ratio = devicePixelsPerPixel(*screen);
            return screen->geometry().topLeft() + (at - device.topLeft()) / ratio;
        }
    }
    return at;
}

// Where a menu opened at a point of a panel goes: from there down and to the right
// where it fits, else up or to the left, as Qt opens one at the pointer. (Qt does
// that only for the pointer's own place; elsewhere it would push the menu back onto
// the screen, over the icon.)
QPoint besidePoint(const QMenu& menu, QPoint at) {
    const QScreen* screen = QGuiApplication::screenAt(at);
    if (screen == nullptr) {
        return at;
    }
    const QRect area = screen->geometry();
    const QSize size = menu.sizeHint();
    QPoint place = at;
    if (at.x() + size.width() > area.x() + area.width()) {
        place.rx() -= size.width();
    }
    if (at.y() + size.height() > area.y() + area.height()) {
        place.ry() -= size.height();
    }
    return place;
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {
#ifdef ALERTS_HAVE_DBUS
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
#endif
}

void TrayIcon::watchHosts() {
#ifdef ALERTS_HAVE_DBUS
    connect(&host(), &StatusNotifierHost::watcherAppeared, m_item.get(),
            &StatusNotifierItem::registerWithWatcher, Qt::UniqueConnection);
#endif
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason, std::optional<QPoint> at) {
    // Trigger is a left press, Context a right press. Double and middle clicks open
    // nothing, so a double click never restores the window. The menu is not the
    // icon's context menu: Qt would open that one itself on a right press. A host
    // that says where the icon was pressed knows better than the pointer, which
    // XWayland reports where it last crossed one of the program's windows.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) && m_menu &&
        !hostShowsMenu()) {
        catchUpWithServerTime();
        m_menu->popup(at ? besidePoint(*m_menu, fromDevicePixels(*at)) : QCursor::pos());
    }
}

void TrayIcon::setIcon(const QIcon& icon) {
    m_icon = icon;
    if (m_xembed) {
        m_xembed->setIcon(icon);
    }
#ifdef ALERTS_HAVE_DBUS
    m_item->setIcon(icon);
#endif
}

void TrayIcon::setToolTip(const QString& caption) {
    qsizetype length = std::min(caption.size(), qsizetype{kMaxTipLength});
    if (length > 0 && length < caption.size() && caption.at(length - 1).isHighSurrogate()) {
        --length; // never keep half of a character
    }
    m_toolTip = caption.left(length);
    if (m_xembed) {
        m_xembed->setToolTip(m_toolTip);
    }
#ifdef ALERTS_HAVE_DBUS
    m_item->setToolTip(m_toolTip);
#endif
}

void TrayIcon::setMenu(QMenu* menu) {
    m_menu = menu;
    if (menu) {
        m_leftButtonChooses.watch(*menu);
    }
#ifdef ALERTS_HAVE_DBUS
    // Handed over D-Bus (DBusMenu) for the hosts that show it themselves: all of
    // them on Wayland, GNOME's on a right click everywhere.
    m_item->setMenu(menu);
#endif
}

void TrayIcon::add() {
    m_present = true;
#ifdef ALERTS_HAVE_DBUS
    if (host().isRegistered() || !qtTrayPresent()) {
        // Without a host yet the item waits registered for one.
        m_item->show();
        return;
    }
#endif
    if (!m_xembed) {
        m_xembed = std::make_unique<QSystemTrayIcon>();
        m_xembed->setIcon(m_icon);
        m_xembed->setToolTip(m_toolTip);
        connect(m_xembed.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    }
    m_xembed->show();
}

void TrayIcon::remove() {
    m_present = false;
    if (m_xembed) {
        m_xembed->hide();
    }
#ifdef ALERTS_HAVE_DBUS
    m_item->hide();
#endif
}

bool TrayIcon::isPresent() const {
    return m_present;
}

QString TrayIcon::toolTip() const {
    return m_toolTip;
}

QIcon TrayIcon::icon() const {
    return m_icon;
}

bool TrayIcon::isAvailable() {
#ifdef ALERTS_HAVE_DBUS
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
#endif
    return qtTrayPresent();
}

} // namespace alerts::platform
