// SPDX-License-Identifier: MIT
// platform/tray: the program's icon in the notification area and the menu it opens.
#pragma once

#include "platform/tray/OpenMenus.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

namespace alerts::platform {

class StatusNotifierItem;

// The one notification-area icon of the program. A left or right button press on
// it opens its menu at the pointer; nothing else it reports does anything. The
// menu's lines are chosen with the left button.
//
// Where a tray host takes items over D-Bus (StatusNotifierItem: Plasma, GNOME's
// AppIndicator extension, waybar, Xfce) the icon goes there, also when the host
// comes after the program; on X11 without one, to the XEmbed tray.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    // The tip has to stay within a 64-character field with its terminator.
    static constexpr int kMaxTipLength = 63;

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& caption);
    // The menu with its submenus as they are now.
    void setMenu(QMenu* menu);
    void add();
    void remove(); // harmless when there is no icon
    [[nodiscard]] bool isPresent() const;
    [[nodiscard]] QString toolTip() const;
    [[nodiscard]] QIcon icon() const;

    // From now on the session's tray hosts are followed as they come and go: the
    // session bus is reached once the window is up, not on the way to it.
    void watchHosts();

    // False where no tray host runs: an icon added there could never be clicked.
    [[nodiscard]] static bool isAvailable();

    // What the icon reports, as the tray hands it over; at: where on the screen
    // (in the display's pixels) the host says it was pressed, if it says.
    void activated(QSystemTrayIcon::ActivationReason reason,
                   std::optional<QPoint> at = std::nullopt);

#ifdef ALERTS_HAVE_DBUS
    // The icon as a StatusNotifierItem host sees it.
    [[nodiscard]] StatusNotifierItem& statusNotifierItem();
#endif

private:
    // Where a host takes items over D-Bus, the icon is also a StatusNotifierItem
    // (TrayIcon_dbus.cpp); without D-Bus there is no such item and these do
    // nothing (TrayIcon_nodbus.cpp).
    void setItemIcon(const QIcon& icon);
    void setItemToolTip(const QString& tip);
    void setItemMenu(QMenu* menu);
    // True where the item takes the icon rather than Qt's own tray icon.
    bool showItem();
    void hideItem();

    [[nodiscard]] static bool hostShowsMenu();

    QPointer<QMenu> m_menu;
    QIcon m_icon;
    QString m_toolTip;
    // Asked for: the window is in the tray, whether or not a host shows it yet.
    bool m_present = false;
    // Made only for an XEmbed tray: Qt decides once, when it is made, whether it
    // goes over D-Bus, and Qt 6.4 even once for the whole program.
    std::unique_ptr<QSystemTrayIcon> m_xembed;
#ifdef ALERTS_HAVE_DBUS
    std::unique_ptr<StatusNotifierItem> m_item;
#endif
    LeftButtonChooses m_leftButtonChooses{this};
};

} // namespace alerts::platform
