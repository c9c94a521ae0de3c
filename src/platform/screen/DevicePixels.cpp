// SPDX-License-Identifier: MIT
#include "platform/screen/DevicePixels.h"

#include "platform/screen/LayerSurface.h"
#include "platform/screen/ToldPlaces.h"

#include <QRegion>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformscreen.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>

#include <cmath>

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
            toldPlace(*native->window(), geometry);
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
