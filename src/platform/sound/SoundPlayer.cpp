// SPDX-License-Identifier: MIT
#include "platform/sound/SoundPlayer.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <utility>

namespace alerts::platform {

SoundPlayer::SoundPlayer() = default;

SoundPlayer::~SoundPlayer() {
    // Deleted at once: the program may be past its last event loop by now.
    delete m_effect.data();
}

void SoundPlayer::prepare() {
    m_desktopSound.prepare();
}

void SoundPlayer::playDefaultSound() {
    // On Windows and macOS the bell is the system's own alert sound already.
    switch (m_desktopSound.play()) {
    case DesktopSound::Outcome::Played:
        m_reportedAway = false;
        break;
    case DesktopSound::Outcome::NoServer:
        serverAway();
        break;
    case DesktopSound::Outcome::NoLibrary:
    case DesktopSound::Outcome::Unplayable:
        QApplication::beep();
        break;
    }
}

void SoundPlayer::serverAway() {
    // The window system's bell is all that may still be heard (a speaker of the
    // machine's own, or a server of the window system's).
    QApplication::beep();
    if (!std::exchange(m_reportedAway, true)) {
        qWarning("alerts: no sound server answers: the siren cannot be heard until one is back");
    }
}

void SoundPlayer::stopCurrent() {
    m_desktopSound.stop();
    if (m_effect) {
        QSoundEffect* effect = m_effect;
        m_effect.clear();
        // Its status may still change while it winds down; that must not beep.
        QObject::disconnect(effect, &QSoundEffect::statusChanged, nullptr, nullptr);
        effect->stop();
        effect->deleteLater();
    }
}

void SoundPlayer::play(const QString& path) {
    stopCurrent();
    if (!QFileInfo(path).isFile()) {
        playDefaultSound();
        return;
    }
    switch (m_desktopSound.playFile(path)) {
    case DesktopSound::Outcome::Played:
        m_reportedAway = false;
        return;
    case DesktopSound::Outcome::NoServer:
        serverAway();
        return;
    case DesktopSound::Outcome::Unplayable:
        playDefaultSound();
        return;
    case DesktopSound::Outcome::NoLibrary:
        playEffect(path);
        return;
    }
}

void SoundPlayer::playEffect(const QString& path) {
    // With no output at all QSoundEffect claims to be loaded and playing while
    // nothing is heard, so it is not asked.
    if (QMediaDevices::audioOutputs().isEmpty() || !QFileInfo(path).isFile()) {
        playDefaultSound();
        return;
    }

    auto* effect = new QSoundEffect(QMediaDevices::defaultAudioOutput());
    m_effect = effect;
    // Loading is asynchronous: start once the file is in, or fall back if it
    // turns out not to be a sound we can play.
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, effect] {
        switch (effect->status()) {
        case QSoundEffect::Ready:
            if (!effect->isPlaying()) {
                effect->play();
            }
            break;
        case QSoundEffect::Error:
            ++m_failedLoads;
            playDefaultSound();
            break;
        case QSoundEffect::Null:
        case QSoundEffect::Loading:
            break;
        }
    });
    QUrl source = QUrl::fromLocalFile(path);
    if (m_failedLoads > 0) {
        source.setQuery(QString::number(m_failedLoads));
    }
    effect->setSource(source);
    if (effect->status() == QSoundEffect::Ready) {
        effect->play(); // the file was at hand already: no status change will come
    }
}

} // namespace alerts::platform
