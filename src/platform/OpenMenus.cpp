// SPDX-License-Identifier: MIT
#include "platform/OpenMenus.h"

#include <QCoreApplication>
#include <QEvent>
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

} // namespace alerts::platform
