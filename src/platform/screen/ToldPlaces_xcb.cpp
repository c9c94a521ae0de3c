// SPDX-License-Identifier: MIT
#include "platform/screen/ToldPlaces.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>
#include <qpa/qplatformwindow.h>

#include <vector>

#include <xcb/xcb.h>

namespace alerts::platform {

namespace {

// The X server reports every move of a top-level window back. Qt's xcb plugin
// trusts no place in such a report: it asks the server where the window stands
// (a round trip), and then counts the window's frame as unknown, to be asked for
// at the next move (four more). A window that bypasses the window manager has
// no frame and stands where the report says; when Qt was told that very place
// at the move itself, the report brings nothing new and is dropped here.
class ToldPlaces final : public QAbstractNativeEventFilter {
public:
    static ToldPlaces& instance() {
        static ToldPlaces* filter = [] {
            auto* made = new ToldPlaces; // lives as long as the application
            QCoreApplication::instance()->installNativeEventFilter(made);
            return made;
        }();
        return *filter;
    }

    void told(QWindow& window, const QRect& native) {
        std::erase_if(m_places, [&](const Place& place) {
            return place.window.isNull() || place.window == &window;
        });
        m_places.push_back({&window, native, window.geometry()});
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        // Sent by another client, the report is trusted by Qt as it stands.
        if (event->response_type != XCB_CONFIGURE_NOTIFY) {
            return false;
        }
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->override_redirect == 0 || configure->event != configure->window) {
            return false;
        }
        const QRect reported(configure->x, configure->y, configure->width, configure->height);
        for (const Place& place : m_places) {
            QWindow* window = place.window.data();
            if (window == nullptr || window->winId() != configure->window) {
                continue;
            }
            // Moved since by Qt itself, or a report of a place already left: Qt's own way.
            const QPlatformWindow* native = window->handle();
            return native != nullptr && reported == place.native &&
                   native->geometry() == reported && window->geometry() == place.qt;
        }
        return false;
    }

private:
    struct Place {
        QPointer<QWindow> window;
        QRect native;
        QRect qt;
    };
    std::vector<Place> m_places;
};

} // namespace

void toldPlace(QWindow& window, const QRect& native) {
    // Only Qt's xcb plugin hands the filter X events.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        ToldPlaces::instance().told(window, native);
    }
}

} // namespace alerts::platform
