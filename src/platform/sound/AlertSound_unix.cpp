// SPDX-License-Identifier: MIT
#include "platform/sound/AlertSound.h"

#include <QApplication>
#include <QLibrary>

namespace alerts::platform {

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

    void prepare() override {
        if (AlertSound* player = load()) {
            player->prepare();
        }
    }

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

std::unique_ptr<AlertSound> systemAlertSound() {
    return std::make_unique<ModuleSound>();
}

} // namespace alerts::platform
