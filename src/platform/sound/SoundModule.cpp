// SPDX-License-Identifier: MIT
#include "platform/sound/SoundPlayer.h"

// The module's one entry point (see AlertSound_unix.cpp).
extern "C" Q_DECL_EXPORT alerts::platform::AlertSound* alerts_create_sound() {
    return new alerts::platform::SoundPlayer;
}
