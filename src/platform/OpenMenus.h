// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace alerts::platform {

// While one of these lives, open popup menus refuse to close.
//
// Showing a normal top-level window makes Qt close every open popup menu. The
// tray menu opens the About window from its "About" submenu, and "Exit" lives in
// that very submenu, so the menu has to stay up while the window appears.
class OpenMenusStayOpen final : public QObject {
    Q_OBJECT
public:
    OpenMenusStayOpen();
    ~OpenMenusStayOpen() override;
    OpenMenusStayOpen(const OpenMenusStayOpen&) = delete;
    OpenMenusStayOpen& operator=(const OpenMenusStayOpen&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace alerts::platform
