// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

namespace alerts::platform {

// The desktop's own alert sound on a freedesktop desktop: the sound theme's
// "dialog-warning" event, played by libcanberra. The library is loaded at run
// time, on the first play, so that the program runs where it is not installed;
// elsewhere (Windows, macOS) there is no such sound and play() always fails.
class DesktopSound final {
public:
    DesktopSound();
    // Cuts off a sound still playing and closes the connection to the sound
    // server; the library itself stays loaded until the process ends.
    ~DesktopSound();
    DesktopSound(const DesktopSound&) = delete;
    DesktopSound& operator=(const DesktopSound&) = delete;

    // Starts the sound in the background, cutting off one still playing. False
    // when it cannot be played: no library, no sound server, no such sound.
    bool play();
    // Cuts off a sound still playing.
    void stop();

private:
    struct Library;
    std::unique_ptr<Library> m_library;
    bool m_unavailable = false;
};

} // namespace alerts::platform
