// SPDX-License-Identifier: MIT
#include "platform/tray/OpenMenus.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

namespace alerts::platform {

OpenMenusStayOpen::OpenMenusStayOpen() {
    QCoreApplication::instance()->installEventFilter(this);
}

OpenMenusStayOpen::~OpenMenusStayOpen() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool OpenMenusStayOpen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched->isWidgetType() &&
        qobject_cast<QWidget*>(watched)->windowType() == Qt::Popup) {
        event->ignore(); // an ignored close leaves the popup open
        return true;
    }
    return false;
}

LeftButtonChooses::LeftButtonChooses(QObject* parent) : QObject(parent) {}

void LeftButtonChooses::watch(QMenu& menu) {
    menu.installEventFilter(this);
    const auto actions = menu.actions();
    for (const QAction* action : actions) {
        if (QMenu* submenu = action->menu()) {
            watch(*submenu);
        }
    }
}

bool LeftButtonChooses::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        // An open submenu hands the parent's share of the pointer on to the parent,
        // so each menu only judges positions over itself.
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const auto* menu = qobject_cast<const QMenu*>(watched);
        return mouse->button() != Qt::LeftButton && menu != nullptr &&
               menu->rect().contains(mouse->position().toPoint());
    }
    default:
        return false;
    }
}

} // namespace alerts::platform
