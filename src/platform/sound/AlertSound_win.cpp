// SPDX-License-Identifier: MIT
#include "platform/sound/AlertSound.h"

#include "platform/sound/WinmmSound.h"

namespace alerts::platform {

std::unique_ptr<AlertSound> systemAlertSound() {
    return std::make_unique<WinmmSound>();
}

} // namespace alerts::platform
