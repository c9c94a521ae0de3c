// SPDX-License-Identifier: MIT
// The floor for start-up, memory and idle figures: the least a Qt Widgets program
// with one window and a tray icon can be. Built like the real program.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Tray"));
    window.resize(300, 200);
    QLabel label(QStringLiteral("Idle."), &window);
    label.move(20, 20);

    QPixmap picture(32, 32);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setToolTip(QStringLiteral("Minimal Tray"));
    tray.show();

    window.show();
    return QApplication::exec();
}
