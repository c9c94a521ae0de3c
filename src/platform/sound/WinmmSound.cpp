// SPDX-License-Identifier: MIT
#include "platform/sound/WinmmSound.h"

#include <QDir>

#include <windows.h>

#include <mmsystem.h>

namespace alerts::platform {

WinmmSound::~WinmmSound() {
    sndPlaySoundW(nullptr, 0);
}

void WinmmSound::play(const QString& path) {
    // SND_ASYNC alone: no SND_NOSTOP (a new sound cuts off the old one) and no
    // SND_NODEFAULT (a file that cannot be played gives the default sound). The
    // wide call keeps a path outside the ANSI code page intact.
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    sndPlaySoundW(file.c_str(), SND_ASYNC);
}

} // namespace alerts::platform
