// SPDX-License-Identifier: MIT
#include "platform/sound/AlertSound.h"

#if defined(Q_OS_WIN)
#include "platform/sound/WinmmSound.h"
#elif defined(Q_OS_DARWIN)
#include "platform/sound/SoundPlayer.h"
#else
#include <QApplication>
#include <QLibrary>
#endif

namespace alerts::platform {

#if !defined(Q_OS_WIN) && !defined(Q_OS_DARWIN)

namespace {

// Qt Multimedia and what it brings (PulseAudio, libsndfile and its codecs) are
// as many libraries again as the rest of the program: linked in, the loader
// maps and relocates them all before the window can appear. They live in a
// module beside the program instead, loaded once the window is up.
constexpr auto kModule = "alerts-sound";

class ModuleSound final : public AlertSound {
public:
    void play(const QString& path) override {
        if (AlertSound* player = load()) {
            player->play(path);
        } else {
            QApplication::beep(); // the module is missing: the default sound
        }
    }

    void prepare() override { static_cast<void>(load()); }

private:
    AlertSound* load() {
        if (!m_player && !m_failed) {
            using Create = AlertSound* (*)();
            QLibrary module(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                            QLatin1String(kModule));
            const auto create = reinterpret_cast<Create>(module.resolve("alerts_create_sound"));
            if (create != nullptr) {
                m_player.reset(create()); // the module stays loaded for the run
            } else {
                qWarning("alerts: %s", qUtf8Printable(module.errorString()));
            }
            m_failed = !m_player;
        }
        return m_player.get();
    }

    std::unique_ptr<AlertSound> m_player;
    bool m_failed = false;
};

} // namespace

#endif

std::unique_ptr<AlertSound> systemAlertSound() {
#if defined(Q_OS_WIN)
    return std::make_unique<WinmmSound>();
#elif defined(Q_OS_DARWIN)
    return std::make_unique<SoundPlayer>();
#else
    return std::make_unique<ModuleSound>();
#endif
}

} // namespace alerts::platform
