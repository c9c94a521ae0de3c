// SPDX-License-Identifier: MIT
#pragma once

#include "platform/OpenMenus.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

namespace alerts::platform {

// The one notification-area icon of the program. A left or right button press on
// it opens its menu at the pointer; nothing else it reports does anything. The
// menu's lines are chosen with the left button.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    // The tip has to stay within a 64-character field with its terminator.
    static constexpr int kMaxTipLength = 63;

    explicit TrayIcon(QObject* parent = nullptr);

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& caption);
    // The menu with its submenus as they are now.
    void setMenu(QMenu* menu);
    void add();
    void remove(); // harmless when there is no icon
    [[nodiscard]] bool isPresent() const;
    [[nodiscard]] QString toolTip() const;
    [[nodiscard]] QIcon icon() const;

    // False where no tray host runs: an icon added there could never be clicked.
    [[nodiscard]] static bool isAvailable();

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon{this};
    QPointer<QMenu> m_menu;
    LeftButtonChooses m_leftButtonChooses{this};
};

} // namespace alerts::platform
