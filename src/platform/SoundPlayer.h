// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AlertSound.h"

namespace alerts::platform {

class SoundPlayer final : public AlertSound {
public:
    SoundPlayer();
    ~SoundPlayer() override;
    void play(const QString& path) override;
};

} // namespace alerts::platform
