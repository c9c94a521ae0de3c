// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>
#include <QPointer>

class QLabel;

namespace alerts::platform {

// What screen readers are told of a window that rises to show a message without
// taking the focus. Such a window is never focused, so a reader hears of it only
// when it becomes showing, and Orca presents a window that becomes showing only
// when it is a notification (Qt's AT-SPI bridge drops the alert role). The
// message is the window's description and stays the text of its own label.
// Controls that lie wholly outside the window are left out: no one can see them.
class NotificationAccessible final : public QAccessibleWidget {
public:
    NotificationAccessible(QWidget* window, QLabel* message);

    // Makes `window` a notification whose message is the text of `message`, one of
    // its controls. Call before the window is first shown.
    static void attach(QWidget& window, QLabel& message);
    // Tells readers that the window shows a new message, so that they present it
    // again, whatever they kept of the last one. A message that comes with a show
    // of the window, or with a later one of a window still hidden, is told once,
    // by Qt's own event for the show.
    static void present(QWidget& window);

    [[nodiscard]] QAccessible::Role role() const override;
    [[nodiscard]] QString text(QAccessible::Text t) const override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;

private:
    [[nodiscard]] QWidgetList shownChildren() const;

    QPointer<QLabel> m_message;
};

} // namespace alerts::platform
