// SPDX-License-Identifier: MIT
#include "platform/SoundPlayer.h"

#include <QApplication>

namespace alerts::platform {

SoundPlayer::SoundPlayer() = default;
SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::play(const QString& path) {
    Q_UNUSED(path);
    QApplication::beep();
}

} // namespace alerts::platform
