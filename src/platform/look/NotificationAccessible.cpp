// SPDX-License-Identifier: MIT
#include "platform/look/NotificationAccessible.h"

#include <QEvent>
#include <QLabel>

#include <utility>

namespace alerts::platform {

namespace {

// Kept with the window, as one of its children: its message label, and whether
// Qt has just told readers that the window is showing.
class NotificationState final : public QObject {
    Q_OBJECT
public:
    NotificationState(QWidget& window, QLabel& message) : QObject(&window), m_message(&message) {
        window.installEventFilter(this);
    }

    [[nodiscard]] QLabel* message() const { return m_message; }
    // True when the window was shown in this pass of the event loop: Qt has told
    // readers of it, and they will read the window, message and all, only once
    // the program is back in its event loop to answer them.
    bool takeShow() { return std::exchange(m_shown, false); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Qt tells readers of the shows it makes itself, not of the window system's.
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            m_shown = true;
            QMetaObject::invokeMethod(
                this, [this] { m_shown = false; }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QLabel> m_message;
    bool m_shown = false;
};

NotificationState* stateOf(const QObject& window) {
    return window.findChild<NotificationState*>(QString(), Qt::FindDirectChildrenOnly);
}

QAccessibleInterface* notificationFactory(const QString& /*className*/, QObject* object) {
    auto* window = qobject_cast<QWidget*>(object);
    if (window == nullptr) {
        return nullptr;
    }
    const NotificationState* state = stateOf(*window);
    if (state == nullptr || state->message() == nullptr) {
        return nullptr;
    }
    return new NotificationAccessible(window, state->message());
}

// Drops the object's interface, if readers are listening: the next one made for
// it has a new identity, of which no reader has kept anything.
void renew(QObject& object) {
    if (!QAccessible::isActive()) {
        return;
    }
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&object)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}

void notify(QWidget& window, QAccessible::Event type) {
    QAccessibleEvent event(&window, type);
    QAccessible::updateAccessibility(&event);
}

} // namespace

NotificationAccessible::NotificationAccessible(QWidget* window, QLabel* message)
    : QAccessibleWidget(window, QAccessible::Notification), m_message(message) {}

void NotificationAccessible::attach(QWidget& window, QLabel& message) {
    // The last factory installed is asked first, so this one comes before Qt's own.
    static const bool installed = [] {
        QAccessible::installFactory(&notificationFactory);
        return true;
    }();
    Q_UNUSED(installed)
    new NotificationState(window, message);
    // Every change to a window (its name, say) is told to readers, and telling
    // makes its interface: one made before now would go on without the role.
    QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&window);
    if (made != nullptr && made->role() != QAccessible::Notification) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}

void NotificationAccessible::present(QWidget& window) {
    NotificationState* state = stateOf(window);
    if (state == nullptr) {
        return;
    }
    // Readers keep what they read of an object for as long as it lives, of a
    // hidden window too, and hear of changes only if they asked for them: a reader
    // that listens for shows alone would present the last message again. Each
    // message comes as a new notification with a new label in it; the change is
    // still told, for readers that keep the window's description they read.
    renew(window);
    if (QLabel* message = state->message()) {
        renew(*message);
    }
    notify(window, QAccessible::DescriptionChanged);
    // A hidden window is told of when it shows.
    if (window.isVisible() && !state->takeShow()) {
        notify(window, QAccessible::ObjectShow);
    }
}

QAccessible::Role NotificationAccessible::role() const {
    return QAccessible::Notification;
}

QString NotificationAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Description && m_message) {
        return m_message->text();
    }
    return QAccessibleWidget::text(t);
}

QWidgetList NotificationAccessible::shownChildren() const {
    QWidgetList shown;
    const QRect area = widget()->rect();
    for (QObject* object : widget()->children()) {
        auto* control = qobject_cast<QWidget*>(object);
        if (control != nullptr && !control->isWindow() && !control->isHidden() &&
            area.intersects(control->geometry())) {
            shown.append(control);
        }
    }
    return shown;
}

int NotificationAccessible::childCount() const {
    return static_cast<int>(shownChildren().size());
}

QAccessibleInterface* NotificationAccessible::child(int index) const {
    const QWidgetList shown = shownChildren();
    if (index < 0 || index >= shown.size()) {
        return nullptr;
    }
    return QAccessible::queryAccessibleInterface(shown.at(index));
}

int NotificationAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr) {
        return -1;
    }
    return static_cast<int>(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
}

} // namespace alerts::platform

#include "NotificationAccessible.moc"
