// SPDX-License-Identifier: MIT
#include "platform/sound/AlertSound.h"

#include "platform/sound/SoundPlayer.h"

namespace alerts::platform {

std::unique_ptr<AlertSound> systemAlertSound() {
    return std::make_unique<SoundPlayer>();
}

} // namespace alerts::platform
