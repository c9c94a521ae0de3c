// SPDX-License-Identifier: MIT
#include "platform/sound/DesktopSound.h"

#include <QCoreApplication>

#include <cstdint>

#include <dlfcn.h>

namespace alerts::platform {

namespace {

struct ca_context;
using CreateFn = int (*)(ca_context**);
using OpenFn = int (*)(ca_context*);
using PlayFn = int (*)(ca_context*, std::uint32_t, ...);
using CancelFn = int (*)(ca_context*, std::uint32_t);
using DestroyFn = int (*)(ca_context*);

// The sound theme's event: on a freedesktop desktop, the alert sound.
constexpr const char* kEventId = "dialog-warning";
constexpr const char* kDescription = "Tournament Started";
// Every play uses this id, so that a new sound can cut off the one before.
constexpr std::uint32_t kSoundId = 1;
// libcanberra's answers that mean the server is not (or no longer) there.
constexpr int kErrorState = -3;
constexpr int kErrorNotAvailable = -12;
constexpr int kErrorDisconnected = -18;
// A siren the user asked for is not one of the desktop's event sounds, which
// users turn down or off with the sounds of buttons and windows.
constexpr const char* kFileRole = "alarm";

template <class Fn> Fn resolve(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

struct DesktopSound::Library {
    CreateFn create = nullptr;
    OpenFn open = nullptr;
    PlayFn play = nullptr;
    CancelFn cancel = nullptr;
    DestroyFn destroy = nullptr;
    // One context for the run: it holds the connection to the sound server.
    ca_context* context = nullptr;

    static std::unique_ptr<Library> load() {
        void* handle = dlopen("libcanberra.so.0", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            return nullptr;
        }
        auto library = std::make_unique<Library>();
        library->create = resolve<CreateFn>(handle, "ca_context_create");
        library->open = resolve<OpenFn>(handle, "ca_context_open");
        library->play = resolve<PlayFn>(handle, "ca_context_play");
        library->cancel = resolve<CancelFn>(handle, "ca_context_cancel");
        library->destroy = resolve<DestroyFn>(handle, "ca_context_destroy");
        if (library->create == nullptr || library->open == nullptr || library->play == nullptr ||
            library->cancel == nullptr || library->destroy == nullptr) {
            dlclose(handle); // none of its code has run yet
            return nullptr;
        }
        // Kept loaded to the end of the run: one context serves every sound, and
        // reports from the sanitized build can name its code only while it is mapped.
        return library;
    }

    // A context connected to the server, made anew when there is none.
    bool connect() {
        if (context != nullptr) {
            return true;
        }
        if (create(&context) != 0) {
            context = nullptr;
            return false;
        }
        if (open(context) != 0) {
            closeContext();
            return false;
        }
        return true;
    }

    void closeContext() {
        if (context != nullptr) {
            destroy(context);
            context = nullptr;
        }
    }
};

DesktopSound::DesktopSound() = default;

DesktopSound::~DesktopSound() {
    // Stops the library's own thread, which plays the sound, before the program's
    // exit tears down what that thread may still touch.
    if (m_library) {
        m_library->closeContext();
    }
}

DesktopSound::Library* DesktopSound::library() {
    if (!m_library && !m_unavailable) {
        m_library = Library::load();
        m_unavailable = !m_library;
    }
    return m_library.get();
}

void DesktopSound::prepare() {
    if (Library* loaded = library()) {
        static_cast<void>(loaded->connect());
    }
}

template <class... Props> DesktopSound::Outcome DesktopSound::start(Props... props) {
    Library* loaded = library();
    if (loaded == nullptr) {
        return Outcome::NoLibrary;
    }
    // A connection made before the server went away answers only now that it is
    // gone: the sound is tried once more on a new one, which finds the server if
    // it is back.
    int result = kErrorNotAvailable;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!loaded->connect()) {
            return Outcome::NoServer;
        }
        loaded->cancel(loaded->context, kSoundId);
        result = loaded->play(loaded->context, kSoundId, props..., nullptr);
        if (result == 0) {
            return Outcome::Played;
        }
        if (result != kErrorState && result != kErrorNotAvailable && result != kErrorDisconnected) {
            return Outcome::Unplayable;
        }
        loaded->closeContext();
    }
    return Outcome::NoServer;
}

DesktopSound::Outcome DesktopSound::play() {
    return start("event.id", kEventId, "event.description", kDescription);
}

DesktopSound::Outcome DesktopSound::playFile(const QString& path) {
    const QByteArray file = path.toLocal8Bit();
    const QByteArray name = QCoreApplication::applicationName().toUtf8();
    return start("media.filename", file.constData(), "media.role", kFileRole, "event.description",
                 kDescription, "application.name", name.constData());
}

void DesktopSound::stop() {
    if (m_library && m_library->context != nullptr) {
        m_library->cancel(m_library->context, kSoundId);
    }
}

} // namespace alerts::platform
