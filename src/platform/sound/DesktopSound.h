// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

namespace alerts::platform {

// The desktop's sound library on a freedesktop desktop: libcanberra, which plays
// the sound theme's alert ("dialog-warning") and sound files through the
// desktop's sound server. It is loaded at run time, on first use, so that the
// program runs where it is not installed; elsewhere (Windows, macOS) there is no
// such library and nothing plays.
//
// The server may go and come back at any time (a crash, an upgrade, a restart by
// the user, or none yet at sign-in): a sound that finds its connection gone
// connects afresh at once, so the first sound after the server's return plays.
class DesktopSound final {
public:
    DesktopSound();
    // Cuts off a sound still playing and closes the connection to the sound
    // server; the library itself stays loaded until the process ends.
    ~DesktopSound();
    DesktopSound(const DesktopSound&) = delete;
    DesktopSound& operator=(const DesktopSound&) = delete;

    enum class Outcome {
        Played,     // started in the background
        NoLibrary,  // nothing here can play it
        NoServer,   // no sound server answers
        Unplayable, // the server is there; the sound is not
    };

    // Connects to the sound server now, so that the first sound starts as soon as
    // the others. Harmless without a server.
    void prepare();
    // Each starts its sound in the background, cutting off one still playing.
    // The theme's alert sound:
    Outcome play();
    // A sound file, at its own level:
    Outcome playFile(const QString& path);
    // Cuts off a sound still playing.
    void stop();

private:
    struct Library;
    Library* library();
    template <class... Props> Outcome start(Props... props);

    std::unique_ptr<Library> m_library;
    bool m_unavailable = false;
};

} // namespace alerts::platform
