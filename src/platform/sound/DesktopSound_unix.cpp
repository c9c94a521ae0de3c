// SPDX-License-Identifier: MIT
#include "platform/sound/DesktopSound.h"

#include <cstdint>

#include <dlfcn.h>

namespace alerts::platform {

namespace {

struct ca_context;
using CreateFn = int (*)(ca_context**);
using PlayFn = int (*)(ca_context*, std::uint32_t, ...);
using CancelFn = int (*)(ca_context*, std::uint32_t);
using DestroyFn = int (*)(ca_context*);

// The sound theme's event: on a freedesktop desktop, the alert sound.
constexpr const char* kEventId = "dialog-warning";
constexpr const char* kDescription = "Tournament Started";
// Every play uses this id, so that a new sound can cut off the one before.
constexpr std::uint32_t kSoundId = 1;

template <class Fn> Fn resolve(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

struct DesktopSound::Library {
    CreateFn create = nullptr;
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
        library->play = resolve<PlayFn>(handle, "ca_context_play");
        library->cancel = resolve<CancelFn>(handle, "ca_context_cancel");
        library->destroy = resolve<DestroyFn>(handle, "ca_context_destroy");
        if (library->create == nullptr || library->play == nullptr || library->cancel == nullptr ||
            library->destroy == nullptr) {
            dlclose(handle); // none of its code has run yet
            return nullptr;
        }
        // Kept loaded to the end of the run: one context serves every sound, and
        // reports from the sanitized build can name its code only while it is mapped.
        return library;
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

bool DesktopSound::play() {
    if (m_unavailable) {
        return false;
    }
    if (!m_library) {
        m_library = Library::load();
        if (!m_library) {
            m_unavailable = true;
            return false;
        }
    }
    Library& library = *m_library;
    if (library.context == nullptr && library.create(&library.context) != 0) {
        library.context = nullptr;
        return false;
    }
    library.cancel(library.context, kSoundId);
    const int result = library.play(library.context, kSoundId, "event.id", kEventId,
                                    "event.description", kDescription, nullptr);
    if (result != 0) {
        // The sound server may have gone away; the next sound connects afresh.
        library.closeContext();
        return false;
    }
    return true;
}

void DesktopSound::stop() {
    if (m_library && m_library->context != nullptr) {
        m_library->cancel(m_library->context, kSoundId);
    }
}

} // namespace alerts::platform
