// SPDX-License-Identifier: MIT
#include "platform/sound/DesktopSound.h"

namespace alerts::platform {

struct DesktopSound::Library {};

DesktopSound::DesktopSound() = default;
DesktopSound::~DesktopSound() = default;

bool DesktopSound::play() {
    m_unavailable = true; // the platform's own beep is its alert sound
    return false;
}

void DesktopSound::stop() {}

} // namespace alerts::platform
