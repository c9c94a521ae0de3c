// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sound/AlertSound.h"

namespace alerts::platform {

// The system's own sound call on Windows: winmm plays the file in the
// background, cuts off a sound still playing, and plays the system's default
// sound when the file cannot be played.
class WinmmSound final : public AlertSound {
public:
    WinmmSound() = default;
    // Stops a sound still playing: it would outlast the program otherwise.
    ~WinmmSound() override;
    WinmmSound(const WinmmSound&) = delete;
    WinmmSound& operator=(const WinmmSound&) = delete;

    void play(const QString& path) override;
};

} // namespace alerts::platform
