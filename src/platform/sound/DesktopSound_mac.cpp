// SPDX-License-Identifier: MIT
#include "platform/sound/DesktopSound.h"

namespace alerts::platform {

struct DesktopSound::Library {};

DesktopSound::DesktopSound() = default;
DesktopSound::~DesktopSound() = default;

void DesktopSound::prepare() {}

DesktopSound::Outcome DesktopSound::play() {
    m_unavailable = true; // the platform's own beep is its alert sound
    return Outcome::NoLibrary;
}

DesktopSound::Outcome DesktopSound::playFile(const QString& /*path*/) {
    return Outcome::NoLibrary;
}

void DesktopSound::stop() {}

} // namespace alerts::platform
