// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sound/AlertSound.h"
#include "platform/sound/DesktopSound.h"

#include <QPointer>

class QSoundEffect;

namespace alerts::platform {

// Plays WAV files with Qt Multimedia, the way the system's own alert sound call
// does: without blocking, cutting off the previous sound, and falling back to the
// default alert sound when the file cannot be played: the desktop's own alert
// sound where there is one, otherwise the window system's bell.
class SoundPlayer final : public AlertSound {
public:
    SoundPlayer();
    ~SoundPlayer() override;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    void play(const QString& path) override;

private:
    void stopCurrent();
    void playDefaultSound();

    // A fresh effect for every sound: a QSoundEffect that once failed stays failed,
    // and one given the same source again does not reload the file, so a siren
    // put back in place would never be heard again.
    QPointer<QSoundEffect> m_effect;
    // Qt Multimedia keeps each sound it loads, by URL, for the whole run, and
    // never loads a failed one again: an effect given that URL waits forever,
    // neither playing nor failing. After a failure the file goes by a new URL.
    int m_failedLoads = 0;
    DesktopSound m_desktopSound;
};

} // namespace alerts::platform
