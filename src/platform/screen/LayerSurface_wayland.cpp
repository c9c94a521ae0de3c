// SPDX-License-Identifier: MIT
#include "platform/screen/LayerSurface.h"

#include "platform/screen/DevicePixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <LayerShellQt/Window>
#include <wayland-client.h>

#include <cstring>

namespace alerts::platform {

namespace {

using LayerWindow = LayerShellQt::Window;

// Whether the registry of a display announces wlr-layer-shell, read on a queue of
// our own so that Qt's own event handling never sees the answer.
bool registryOffersLayerShell(wl_display* display) {
    bool found = false;
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
    wl_registry* registry = wl_display_get_registry(wrapped);
    static const wl_registry_listener listener{
        .global =
            [](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
                if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) {
                    *static_cast<bool*>(data) = true;
                }
            },
        .global_remove = [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(registry, &listener, &found);
    wl_display_roundtrip_queue(display, queue);
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(wrapped);
    wl_event_queue_destroy(queue);
    return found;
}

// Whether Qt's compositor announces wlr-layer-shell, asked once. Without it the
// binding would leave the window an ordinary one and only warn.
bool compositorOffersLayerShell() {
    static const bool offered = [] {
        auto* app = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>();
        wl_display* display = app != nullptr ? app->display() : nullptr;
        return display != nullptr && registryOffersLayerShell(display);
    }();
    return offered;
}

LayerWindow* layerOf(const QWidget& window) {
    QWindow* handle = window.windowHandle();
    return handle != nullptr && handle->property("alertsLayerSurface").toBool()
               ? LayerWindow::get(handle)
               : nullptr;
}

// Margins reach the compositor as they are, in its logical pixels: the screen's
// and the window's own pixels, not Qt's (which QT_SCALE_FACTOR would change).
QRect screenArea(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    const QScreen* screen = handle != nullptr ? handle->screen() : nullptr;
    return screen != nullptr ? devicePixelGeometry(*screen) : QRect();
}

// The output's area the margins were last reckoned from. A margin keeps the
// surface at its distance from the output's edge whatever becomes of the output:
// read against a resized or rescaled output it would name another place than
// the one the program put the surface at.
QRect placedArea(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    const QRect area = handle != nullptr ? handle->property("alertsLayerArea").toRect() : QRect();
    return area.isValid() ? area : screenArea(window);
}

QSize sizeOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    const QScreen* screen = handle != nullptr ? handle->screen() : nullptr;
    const qreal ratio = screen != nullptr ? devicePixelsPerPixel(*screen) : 1.0;
    return {qRound(window.width() * ratio), qRound(window.height() * ratio)};
}

} // namespace

bool makeCornerLayerSurface(QWidget& window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        !compositorOffersLayerShell()) {
        return false;
    }
    window.winId(); // creates its native window, not shown yet
    QWindow* handle = window.windowHandle();
    // The output Qt counts first: Wayland has no primary one, and the popup's
    // parking place is reckoned from the same screen.
    handle->setScreen(QGuiApplication::primaryScreen());
    LayerWindow* layer = LayerWindow::get(handle);
    layer->setLayer(LayerWindow::LayerOverlay);
    layer->setScope(QStringLiteral("notification"));
    layer->setAnchors(LayerWindow::Anchors(LayerWindow::AnchorBottom | LayerWindow::AnchorRight));
    // -1: not pushed aside by panels; at rest it covers the display's very corner.
    layer->setExclusiveZone(-1);
    layer->setKeyboardInteractivity(LayerWindow::KeyboardInteractivityNone);
    // An output that goes away unmaps the surface; the popup is mapped again
    // with its next rise rather than closed.
    layer->setCloseOnDismissed(false);
    layer->setMargins(QMargins(0, 0, 0, -sizeOf(window).height()));
    handle->setProperty("alertsLayerArea", screenArea(window));
    handle->setProperty("alertsLayerSurface", true);
    return true;
}

bool isLayerSurface(const QWidget& window) {
    return layerOf(window) != nullptr;
}

bool waylandOffersLayerShell() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    const bool offered = registryOffersLayerShell(display);
    wl_display_disconnect(display);
    return offered;
}

QRect layerSurfaceGeometry(const QWidget& window) {
    const LayerWindow* layer = layerOf(window);
    if (layer == nullptr) {
        return {};
    }
    const QRect area = placedArea(window);
    const QMargins margins = layer->margins();
    const QSize size = sizeOf(window);
    return {QPoint(area.x() + area.width() - margins.right() - size.width(),
                   area.y() + area.height() - margins.bottom() - size.height()),
            size};
}

void moveLayerSurface(QWidget& window, QPoint topLeft) {
    LayerWindow* layer = layerOf(window);
    if (layer == nullptr) {
        return;
    }
    QWindow* handle = window.windowHandle();
    // Unmapped, it goes with the output Qt counts first now: an output that went
    // and came back, or a new one, is a new screen, and a surface made for the
    // screen Qt stands in while there is no output would be placed anywhere.
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!window.isVisible() && primary != nullptr && handle->screen() != primary) {
        handle->setScreen(primary);
    }
    const QRect area = screenArea(window);
    handle->setProperty("alertsLayerArea", area);
    const QSize size = sizeOf(window);
    const QMargins margins(0, 0, area.x() + area.width() - topLeft.x() - size.width(),
                           area.y() + area.height() - topLeft.y() - size.height());
    if (margins == layer->margins()) {
        return;
    }
    layer->setMargins(margins);
    // The margin is the surface's state: it takes effect with the surface's next
    // commit, which a repaint makes now rather than at the next frame.
    if (window.isVisible()) {
        window.repaint();
    }
}

} // namespace alerts::platform
