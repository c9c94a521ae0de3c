// SPDX-License-Identifier: MIT
#include "platform/tray/UserTime.h"

#include <QGuiApplication>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>

#include <cstdint>

namespace alerts::platform {

void catchUpWithServerTime() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (native == nullptr || screen == nullptr) {
        return;
    }
    // A round trip to the server: the time of a property change of Qt's own.
    const auto now = static_cast<std::uint32_t>(
        reinterpret_cast<quintptr>(native->nativeResourceForScreen("gettimestamp", screen)));
    if (now == 0) {
        return;
    }
    // The time of the program's next grab, and the user's last action on its windows.
    using SetTime = void (*)(QScreen*, std::uint32_t);
    for (const char* resource : {"setapptime", "setappusertime"}) {
        // Handed out under a type of no arguments, as void (*)() is.
        if (auto* function =
                reinterpret_cast<void (*)()>(native->nativeResourceFunctionForScreen(resource))) {
            reinterpret_cast<SetTime>(function)(screen, now);
        }
    }
}

ActivationToken::ActivationToken(const QByteArray& token) {
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        m_set = qputenv("XDG_ACTIVATION_TOKEN", token);
    }
}

ActivationToken::~ActivationToken() {
    if (m_set) {
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }
}

} // namespace alerts::platform
