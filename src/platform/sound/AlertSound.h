// SPDX-License-Identifier: MIT
// platform/sound: the alert sound, played the way each system plays one.
#pragma once

#include <QString>

#include <memory>

namespace alerts::platform {

// Plays an alert sound file in the background.
class AlertSound {
public:
    AlertSound() = default;
    AlertSound(const AlertSound&) = delete;
    AlertSound& operator=(const AlertSound&) = delete;
    virtual ~AlertSound() = default;

    // Returns at once. Cuts off a sound still playing and starts again from the
    // beginning; where the file cannot be played, the platform's default alert
    // sound plays instead. Nothing is reported.
    virtual void play(const QString& path) = 0;
    // Loads now what the first play() would otherwise load on the way to the
    // sound. Called once the main window is up.
    virtual void prepare() {}
};

// The platform's player: winmm on Windows, Qt Multimedia elsewhere (on Linux
// from a module beside the program, loaded by prepare() or the first play()).
std::unique_ptr<AlertSound> systemAlertSound();

} // namespace alerts::platform
