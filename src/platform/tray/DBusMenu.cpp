// SPDX-License-Identifier: MIT
#include "platform/tray/DBusMenu.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QMenu>
#include <QMetaObject>

namespace alerts::platform {

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout) {
    argument.beginStructure();
    argument << layout.id << layout.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayout& child : layout.children) {
        argument << QDBusVariant(QVariant::fromValue(child));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout) {
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    layout.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        layout.children << qdbus_cast<DBusMenuLayout>(child.variant());
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& keys) {
    argument.beginStructure();
    argument << keys.id << keys.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& keys) {
    argument.beginStructure();
    argument >> keys.id >> keys.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event) {
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event) {
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

namespace {

// DBusMenu marks the access key with "_" where Qt uses "&"; a plain "_" is doubled.
QString label(const QString& text) {
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            if (text.at(i) != QLatin1Char('&')) {
                result += QLatin1Char('_');
            }
            result += text.at(i);
        } else if (c == QLatin1Char('_')) {
            result += QStringLiteral("__");
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

DBusMenu::DBusMenu(QObject* parent, QMenu* menu) : QDBusAbstractAdaptor(parent), m_menu(menu) {
    if (menu != nullptr) {
        number(*menu);
    }
}

void DBusMenu::registerTypes() {
    qDBusRegisterMetaType<DBusMenuLayout>();
    qDBusRegisterMetaType<DBusMenuItem>();
    qDBusRegisterMetaType<QList<DBusMenuItem>>();
    qDBusRegisterMetaType<DBusMenuItemKeys>();
    qDBusRegisterMetaType<QList<DBusMenuItemKeys>>();
    qDBusRegisterMetaType<DBusMenuEvent>();
    qDBusRegisterMetaType<QList<DBusMenuEvent>>();
}

void DBusMenu::number(QMenu& menu) {
    const auto actions = menu.actions();
    for (QAction* action : actions) {
        m_actions << action;
        if (QMenu* submenu = action->menu()) {
            number(*submenu);
        }
    }
}

int DBusMenu::idOf(const QObject* entry) const {
    if (entry != nullptr && entry == m_menu) {
        return 0;
    }
    for (qsizetype i = 0; i < m_actions.size(); ++i) {
        const QAction* action = m_actions.at(i);
        if (action != nullptr && (action == entry || action->menu() == entry)) {
            return int(i + 1);
        }
    }
    return -1;
}

QMenu* DBusMenu::submenuOf(int id) const {
    if (id == 0) {
        return m_menu;
    }
    const QAction* action = id > 0 && id <= m_actions.size() ? m_actions.at(id - 1) : nullptr;
    return action != nullptr ? action->menu() : nullptr;
}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (const QAction* action = m_actions.value(id - 1)) {
        // Only what differs from the defaults (a visible, enabled standard line).
        if (action->isSeparator()) {
            all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            all.insert(QStringLiteral("label"), label(action->text()));
        }
        if (!action->isEnabled()) {
            all.insert(QStringLiteral("enabled"), false);
        }
        if (!action->isVisible()) {
            all.insert(QStringLiteral("visible"), false);
        }
        if (action->menu() != nullptr) {
            all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
    }
    if (names.isEmpty()) {
        return all;
    }
    QVariantMap asked;
    for (const QString& name : names) {
        if (all.contains(name)) {
            asked.insert(name, all.value(name));
        }
    }
    return asked;
}

DBusMenuLayout DBusMenu::layoutOf(int id, int depth, const QStringList& names) const {
    DBusMenuLayout layout{.id = id, .properties = properties(id, names), .children = {}};
    const QMenu* menu = submenuOf(id);
    if (menu == nullptr || depth == 0) {
        return layout;
    }
    const auto actions = menu->actions();
    for (const QAction* action : actions) {
        const int child = idOf(action);
        if (child > 0) {
            layout.children << layoutOf(child, depth < 0 ? -1 : depth - 1, names);
        }
    }
    return layout;
}

uint DBusMenu::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                         DBusMenuLayout& layout) {
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return 1; // the lines never change while the menu is handed over
}

QList<DBusMenuItem> DBusMenu::GetGroupProperties(const QList<int>& ids,
                                                 const QStringList& propertyNames) {
    QList<DBusMenuItem> items;
    QList<int> wanted = ids;
    if (wanted.isEmpty()) {
        for (int id = 0; id <= m_actions.size(); ++id) {
            wanted << id;
        }
    }
    for (const int id : wanted) {
        if (id >= 0 && id <= m_actions.size()) {
            items << DBusMenuItem{.id = id, .properties = properties(id, propertyNames)};
        }
    }
    return items;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name) {
    return QDBusVariant(properties(id, {name}).value(name));
}

bool DBusMenu::handle(int id, const QString& eventId) {
    if (id < 0 || id > m_actions.size()) {
        return false;
    }
    if (eventId == QLatin1String("opened")) {
        // The host shows the submenu: its opening is the program's to handle,
        // as when the program's own menu opens it.
        if (QMenu* menu = submenuOf(id)) {
            emit menu->aboutToShow();
        }
    } else if (eventId == QLatin1String("clicked")) {
        QAction* action = id > 0 ? m_actions.at(id - 1).data() : nullptr;
        if (action != nullptr && action->menu() == nullptr && action->isEnabled()) {
            // After the host has its answer: the line may end the program.
            QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
        }
    }
    return true;
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant& /*data*/,
                     uint /*timestamp*/) {
    handle(id, eventId);
}

QList<int> DBusMenu::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& each : events) {
        if (!handle(each.id, each.eventId)) {
            idErrors << each.id;
        }
    }
    return idErrors;
}

bool DBusMenu::AboutToShow(int id) {
    // Some hosts say so instead of an "opened" event, some both: opening the
    // About window twice leaves one open window.
    if (id > 0) {
        handle(id, QStringLiteral("opened"));
    }
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (const int id : ids) {
        if (id < 0 || id > m_actions.size()) {
            idErrors << id;
        } else {
            AboutToShow(id);
        }
    }
    return {};
}

} // namespace alerts::platform
