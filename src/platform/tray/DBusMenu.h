// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusVariant>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QDBusArgument;
class QMenu;

namespace alerts::platform {

// One entry of the exported menu and, as deep as asked, the entries below it:
// (ia{sv}av), the children each a variant holding the same structure.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};

// (ia{sv}): an entry's properties.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};

// (ias): names of properties an entry no longer has.
struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};

// (isvu): one of a batch of events.
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

// A QMenu and its submenus handed to a tray host over D-Bus (com.canonical.dbusmenu),
// for the host to draw and open itself. A line the host reports clicked is
// triggered; a submenu the host opens raises its aboutToShow, as the menu's own
// opening would. The menu's lines are read when it is handed over.
class DBusMenu final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    // parent: the object registered at the menu's path.
    DBusMenu(QObject* parent, QMenu* menu);

    static void registerTypes();

    [[nodiscard]] uint version() const { return 3; }
    [[nodiscard]] QString textDirection() const { return QStringLiteral("ltr"); }
    [[nodiscard]] QString status() const { return QStringLiteral("normal"); }
    [[nodiscard]] QStringList iconThemePath() const { return {}; }

    // The entry's id, 0 for the menu itself and -1 for what the menu does not hold.
    [[nodiscard]] int idOf(const QObject* entry) const;

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   alerts::platform::DBusMenuLayout& layout);
    QList<alerts::platform::DBusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                             const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<alerts::platform::DBusMenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const QList<alerts::platform::DBusMenuItem>& updatedProps,
                                const QList<alerts::platform::DBusMenuItemKeys>& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    void number(QMenu& menu);
    [[nodiscard]] QVariantMap properties(int id, const QStringList& names) const;
    [[nodiscard]] DBusMenuLayout layoutOf(int id, int depth, const QStringList& names) const;
    [[nodiscard]] QMenu* submenuOf(int id) const;
    bool handle(int id, const QString& eventId);

    QPointer<QMenu> m_menu;
    // 1, 2, ... in the order of the lines, depth first; 0 is the menu itself.
    QList<QPointer<QAction>> m_actions;
};

} // namespace alerts::platform

Q_DECLARE_METATYPE(alerts::platform::DBusMenuLayout)
Q_DECLARE_METATYPE(alerts::platform::DBusMenuItem)
Q_DECLARE_METATYPE(alerts::platform::DBusMenuItemKeys)
Q_DECLARE_METATYPE(alerts::platform::DBusMenuEvent)
