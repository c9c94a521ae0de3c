// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QMenu;

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

// Menu lines are chosen with the left button. Qt's menus act on a release of any
// button, so a right click on "Exit" would end the program. Other buttons do
// nothing over a menu, which stays up with its current line; elsewhere they still
// dismiss it, as any click outside a menu does. Keys are left alone.
class LeftButtonChooses final : public QObject {
    Q_OBJECT
public:
    explicit LeftButtonChooses(QObject* parent = nullptr);

    // The menu and every submenu it holds now.
    void watch(QMenu& menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace alerts::platform
