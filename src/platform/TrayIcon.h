// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

namespace alerts::platform {

// The one notification-area icon of the program.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    // The tip has to stay within a 64-character field with its terminator.
    static constexpr int kMaxTipLength = 63;

    explicit TrayIcon(QObject* parent = nullptr);

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& caption);
    void add();
    void remove(); // harmless when there is no icon
    [[nodiscard]] bool isPresent() const;
    [[nodiscard]] QString toolTip() const;

    [[nodiscard]] static bool isAvailable();

signals:
    // A left or right button press on the icon; nothing else is reported.
    void pressed();

private:
    QSystemTrayIcon m_icon;
};

} // namespace alerts::platform
