// SPDX-License-Identifier: MIT
#include "platform/sound/SoundPlayer.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace alerts::platform {

SoundPlayer::SoundPlayer() = default;

SoundPlayer::~SoundPlayer() {
    // Deleted at once: the program may be past its last event loop by now.
    delete m_effect.data();
}

void SoundPlayer::playDefaultSound() {
    // On Windows and macOS the bell is the system's own alert sound already.
    if (!m_desktopSound.play()) {
        QApplication::beep();
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
