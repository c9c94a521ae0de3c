// SPDX-License-Identifier: MIT
#include "platform/AlertSound.h"

#if defined(Q_OS_WIN)
#include "platform/WinmmSound.h"
#else
#include "platform/SoundPlayer.h"
#endif

namespace alerts::platform {

std::unique_ptr<AlertSound> systemAlertSound() {
#if defined(Q_OS_WIN)
    return std::make_unique<WinmmSound>();
#else
    return std::make_unique<SoundPlayer>();
#endif
}

} // namespace alerts::platform
