// SPDX-License-Identifier: MIT
#include "platform/tray/TrayIcon.h"

#include "platform/screen/DevicePixels.h"
#include "platform/tray/UserTime.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <qpa/qwindowsysteminterface.h>

#include <algorithm>

namespace alerts::platform {

namespace {

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

// Qt takes a menu to open where it last saw the pointer over one of the program's
// windows, and a press there before the pointer has moved away for the press that
// opened it: the menu closes and chooses nothing. The press on the icon went to the
// tray host, so that place may be where "Open/Restore" was chosen in the previous
// menu, which opened at the same icon: the same line in this one would then only
// close it. Qt is told where the pointer is now.
void pointerIsAt(QPoint at) {
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::SynchronousDelivery>(
        nullptr, at, at, Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
}

} // namespace

// A Wayland client cannot open a menu of its own by the icon: with no window of
// its own under the pointer it has nothing to place it against, and the menu
// would come up as an ordinary window wherever the compositor puts one.
bool TrayIcon::hostShowsMenu() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason, std::optional<QPoint> at) {
    // Trigger is a left press, Context a right press. Double and middle clicks open
    // nothing, so a double click never restores the window. The menu is not the
    // icon's context menu: Qt would open that one itself on a right press. A host
    // that says where the icon was pressed knows better than the pointer, which
    // XWayland reports where it last crossed one of the program's windows.
    if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) && m_menu &&
        !hostShowsMenu()) {
        catchUpWithServerTime();
        const QPoint pointer = at ? fromDevicePixels(*at) : QCursor::pos();
        pointerIsAt(pointer);
        m_menu->popup(at ? besidePoint(*m_menu, pointer) : pointer);
    }
}

void TrayIcon::setIcon(const QIcon& icon) {
    m_icon = icon;
    if (m_xembed) {
        m_xembed->setIcon(icon);
    }
    setItemIcon(icon);
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
    setItemToolTip(m_toolTip);
}

void TrayIcon::setMenu(QMenu* menu) {
    m_menu = menu;
    if (menu) {
        m_leftButtonChooses.watch(*menu);
    }
    setItemMenu(menu);
}

void TrayIcon::add() {
    m_present = true;
    if (showItem()) {
        return;
    }
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
    hideItem();
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

} // namespace alerts::platform
