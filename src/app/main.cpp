// SPDX-License-Identifier: MIT
#include "platform/look/ClassicFont.h"
#include "platform/screen/LayerSurface.h"
#include "platform/session/SingleInstance.h"
#include "platform/tray/UserTime.h"
#include "ui/frmMain.h"

#include <QApplication>

namespace {

// The popup places itself: parked below the screen's edge, gliding up into the
// corner, above every other window. On a Wayland desktop the program runs through
// XWayland while there is one: the popup lands there on the same pixels as a
// layer surface would, and behaves the same on GNOME, which has no layer-shell;
// only at a fractional scale is it drawn less sharp (see the README). Where no X
// server can be reached (no DISPLAY, or XWayland refuses) it runs on Wayland
// itself, and where the compositor offers wlr-layer-shell the popup is a layer
// surface there (platform/screen/LayerSurface.h).
//
// Asked for Wayland (QT_QPA_PLATFORM=wayland, as many set for every Qt program),
// it runs there where the compositor offers wlr-layer-shell. Elsewhere (GNOME)
// the popup would be an ordinary window, put where the compositor likes and
// taking the focus from the user's window: with XWayland at hand it runs there.
// Qt runs one platform for the whole program, so the compositor is asked before.
void choosePlatform() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (asked.isEmpty()) {
        if (qgetenv("XDG_SESSION_TYPE") == "wayland" ||
            !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            // Without DISPLAY, Qt's default (xcb outside a session that calls
            // itself Wayland) would only fail.
            qputenv("QT_QPA_PLATFORM", x11 ? "xcb;wayland" : "wayland");
        }
        return;
    }
    if (asked.startsWith("wayland") && x11 && !alerts::platform::waylandOffersLayerShell()) {
        qputenv("QT_QPA_PLATFORM", "xcb;" + asked);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    choosePlatform();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Alert"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    // Ties the windows to the installed menu entry (its name and icon in docks and
    // task switchers, and the app id on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("example.zarq.Alerts"));
    // Closing the popup or the About window never ends the program: only the
    // main window's unload does.
    QApplication::setQuitOnLastWindowClosed(false);

    // One program per user: a second start brings the running one's window back
    // and ends before it makes a window or a server connection of its own. The
    // lock is taken here; the socket a second start asks through opens once the
    // window is up.
    using alerts::platform::SingleInstance;
    using Role = SingleInstance::Role;
    SingleInstance instance;
    switch (instance.start(SingleInstance::kPatience, SingleInstance::Listen::Later)) {
    case Role::Primary:
        break;
    case Role::Secondary:
        return 0;
    case Role::Unreachable:
        qWarning("alerts: already running, but not answering; not starting a second copy");
        return 1;
    }

    // The windows are laid out in the font the program carries.
    alerts::platform::loadClassicFont();
    alerts::ui::frmMain window;
    QObject::connect(&window, &alerts::ui::frmMain::unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // Logging off or shutting down unloads the main window like its close box does.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, &QWidget::close);
    // A second start restores the window as the tray menu's "Open/Restore" does.
    QObject::connect(&instance, &SingleInstance::restoreRequested, &window,
                     [&window](const QByteArray& activationToken) {
                         if (!window.isUnloaded()) {
                             const alerts::platform::ActivationToken handedOver(activationToken);
                             window.mnuOpen_Click();
                         }
                     });
    window.show();

    const int status = QApplication::exec();
    // Windows unloaded on the way out are deleted once control is back in an event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
