// SPDX-License-Identifier: MIT
#include "platform/screen/DevicePixels.h"

#include "platform/screen/LayerSurface.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <cmath>
#include <vector>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace alerts::platform {

namespace {

// The window's native counterpart once it has one: Qt's coordinates reach the
// window system only through it.
QPlatformWindow* nativeWindow(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->handle() : nullptr;
}

qreal scaleOf(const QWidget& window) {
    const QScreen* screen = window.screen();
    return screen != nullptr ? devicePixelsPerPixel(*screen) : 1.0;
}

#if QT_CONFIG(xcb)

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

#endif

} // namespace

qreal devicePixelsPerPixel(const QScreen& screen) {
    // Qt's own scaling only: a platform that draws at twice its coordinates
    // (macOS) already counts in device-independent pixels.
    const QPlatformScreen* native = screen.handle();
    const qreal platformRatio = native != nullptr ? native->devicePixelRatio() : 1.0;
    return screen.devicePixelRatio() / platformRatio;
}

QRect devicePixelGeometry(const QScreen& screen) {
    if (const QPlatformScreen* native = screen.handle()) {
        return native->geometry();
    }
    return screen.geometry();
}

QRect devicePixelGeometry(const QWidget& window) {
    if (isLayerSurface(window)) {
        return layerSurfaceGeometry(window);
    }
    if (const QPlatformWindow* native = nativeWindow(window)) {
        // Frameless windows only: their outer rectangle is their own.
        return native->geometry();
    }
    const QRect frame = window.frameGeometry();
    const qreal scale = scaleOf(window);
    return {QPoint(qRound(frame.x() * scale), qRound(frame.y() * scale)),
            QSize(qRound(frame.width() * scale), qRound(frame.height() * scale))};
}

void moveToDevicePixel(QWidget& window, QPoint topLeft) {
    if (isLayerSurface(window)) {
        moveLayerSurface(window, topLeft);
        return;
    }
    if (QPlatformWindow* native = nativeWindow(window)) {
        QRect geometry = native->geometry();
        if (geometry.topLeft() != topLeft) {
            geometry.moveTopLeft(topLeft);
            native->setGeometry(geometry);
            // Qt would learn the new place from the window system a moment later;
            // told now, the widget's own geometry is never out of date.
            QWindowSystemInterface::handleGeometryChange<
                QWindowSystemInterface::SynchronousDelivery>(native->window(), geometry);
#if QT_CONFIG(xcb)
            ToldPlaces::instance().told(*native->window(), geometry);
#endif
        }
        return;
    }
    const qreal scale = scaleOf(window);
    window.move(qRound(topLeft.x() / scale), qRound(topLeft.y() / scale));
}

void clipToDevicePixels(QWidget& window, const QRect& part) {
    QPlatformWindow* native = nativeWindow(window);
    // A layer surface is bound to its output, which shows only what lies on it.
    if (native == nullptr || isLayerSurface(window)) {
        return;
    }
    // Given to the window system as is: Qt would scale a mask from its own
    // coordinates, and at a fractional scale a rounded edge could show a row of
    // pixels too many.
    const QRect whole(QPoint(0, 0), native->geometry().size());
    // An empty mask is no mask at all, so the whole window.
    native->setMask(part.contains(whole) ? QRegion() : QRegion(part & whole));
}

} // namespace alerts::platform
