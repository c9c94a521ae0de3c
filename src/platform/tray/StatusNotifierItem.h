// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <cstdint>

class QMenu;

namespace alerts::platform {

// The tray over D-Bus (KDE's StatusNotifierItem, which Plasma, GNOME's AppIndicator
// extension, waybar, Xfce and LXQt host): whether a host that shows items is
// registered with the session's watcher, followed as watchers and hosts come and
// go. Plasma's watcher comes seconds after its panel, often after the program.
class StatusNotifierHost final : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierHost(QObject* parent = nullptr);

    [[nodiscard]] bool isRegistered() const { return m_registered; }
    // A watcher is there, whether or not a host has registered with it yet.
    [[nodiscard]] bool hasWatcher() const { return m_watcher; }
    // Asks the bus now rather than waiting for its signals, which can still be
    // queued behind a press that arrived another way (the accessibility bus).
    void ask();

signals:
    void changed();
    // A (new) watcher took the watcher's name: items register with it again.
    void watcherAppeared();

private slots:
    void hostRegistered();
    void hostUnregistered();

private:
    void set(bool watcher, bool registered);

    bool m_watcher = false;
    bool m_registered = false;
};

class StatusNotifierItemAdaptor;
class DBusMenu;

// The program's one item: its icon, tip and menu on the session bus, registered
// with the watcher while shown. Presses the host hands over arrive as pressed(),
// with the place on the screen the host names (in the display's pixels).
class StatusNotifierItem final : public QObject {
    Q_OBJECT
public:
    enum class Press : std::uint8_t { Primary, Context, Secondary };

    explicit StatusNotifierItem(QObject* parent = nullptr);
    ~StatusNotifierItem() override;
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& tip);
    void setMenu(QMenu* menu);
    // The host opens the menu for either button (ItemIsMenu) instead of
    // handing the presses over.
    void setMenuOnPress(bool menuOnPress);

    void show();
    void hide();
    [[nodiscard]] bool isShown() const { return m_shown; }
    void registerWithWatcher() const;

    [[nodiscard]] const QIcon& icon() const { return m_icon; }
    [[nodiscard]] const QString& toolTip() const { return m_toolTip; }
    [[nodiscard]] bool menuOnPress() const { return m_menuOnPress; }
    [[nodiscard]] bool hasMenu() const { return m_menu != nullptr; }
    // The exported menu, as a host reaches it.
    [[nodiscard]] DBusMenu* dbusMenu() const { return m_dbusMenu; }

signals:
    void pressed(alerts::platform::StatusNotifierItem::Press press, QPoint at);

private:
    QObject m_itemObject;
    QObject m_menuObject;
    StatusNotifierItemAdaptor* m_adaptor = nullptr;
    DBusMenu* m_dbusMenu = nullptr;
    QPointer<QMenu> m_menu;
    QIcon m_icon;
    QString m_toolTip;
    bool m_menuOnPress = false;
    bool m_shown = false;
};

} // namespace alerts::platform
