// SPDX-License-Identifier: MIT
#pragma once

#include "platform/sound/AlertSound.h"
#include "platform/sound/DesktopSound.h"

#include <QPointer>

class QSoundEffect;

namespace alerts::platform {

// Plays WAV files the way the system's own alert sound call does: without
// blocking, cutting off the previous sound, and falling back to the default alert
// sound when the file cannot be played: the desktop's own alert sound where there
// is one, otherwise the window system's bell.
//
// The file goes through the desktop's sound library where there is one: it
// follows the sound server as it goes and comes back, which Qt Multimedia does
// not (after one failed reconnect it plays into a server that is gone, for the
// rest of the run). Qt Multimedia plays it where the library is missing.
class SoundPlayer final : public AlertSound {
public:
    SoundPlayer();
    ~SoundPlayer() override;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    void play(const QString& path) override;
    void prepare() override;

private:
    void stopCurrent();
    void playDefaultSound();
    void playEffect(const QString& path);
    void serverAway();

    // A fresh effect for every sound: a QSoundEffect that once failed stays failed,
    // and one given the same source again does not reload the file, so a siren
    // put back in place would never be heard again.
    QPointer<QSoundEffect> m_effect;
    // Qt Multimedia keeps each sound it loads, by URL, for the whole run, and
    // never loads a failed one again: an effect given that URL waits forever,
    // neither playing nor failing. After a failure the file goes by a new URL.
    int m_failedLoads = 0;
    DesktopSound m_desktopSound;
    // Said once on standard error while the sound server is away, again only
    // after it has been back.
    bool m_reportedAway = false;
};

} // namespace alerts::platform
