// SPDX-License-Identifier: MIT
// platform/session: one running program per user, the clocks, the network's state.
#pragma once

#include <QByteArrayView>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalSocket;

namespace alerts::platform {

// One running program per user. The first start holds a lock file and listens on
// a local socket beside it; a later start finds the lock taken, asks the running
// program over the socket to bring its window back, and ends.
//
// The lock is one the system drops with its holder, however that ends (a crash,
// "End task", a power cut): an flock()ed file in the user's runtime directory
// ($XDG_RUNTIME_DIR on Linux), and on Windows a named mutex in the session's
// namespace. A process id written down would outlive its process, and ids are
// handed out again. The socket lives beside the lock file (on Windows, a pipe
// named after the user).
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,     // this process runs the program
        Secondary,   // the running program took the request: end now
        Unreachable, // a live program holds the lock but did not answer in time
    };

    // What a later start sends, and what the running program answers once its
    // window is back. Anything else on the socket is dropped unanswered. A later
    // start that its launcher gave an activation token (XDG_ACTIVATION_TOKEN, on
    // Wayland the only leave to bring a window forward) sends it before the line's
    // end, after a space: the running program's window comes forward with it.
    static constexpr QByteArrayView kRequest{"alerts: restore\n"};
    static constexpr QByteArrayView kReply{"alerts: restored\n"};
    static constexpr qsizetype kMaxTokenBytes = 256;

    // How long a later start keeps trying: the running program may be between
    // taking the lock and listening, or busy starting up.
    static constexpr std::chrono::milliseconds kPatience{3000};
    // How long the running program waits for a connected peer's request.
    static constexpr std::chrono::milliseconds kPeerTimeout{2000};

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // When the primary opens its socket: at once, or in the first round of the
    // event loop, so that the program's window comes up first (a later start
    // keeps asking meanwhile, within its patience).
    enum class Listen { Now, Later };

    // Blocks for at most `patience`; call it before any window exists.
    Role start(std::chrono::milliseconds patience = kPatience, Listen when = Listen::Now);

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }

    // Where the lock file goes; on Windows, the mutex's name.
    [[nodiscard]] static QString lockPath();
    [[nodiscard]] static QString serverName();

signals:
    // A later start asked for the window; activationToken is empty when it had none.
    void restoreRequested(const QByteArray& activationToken);

private:
    enum class Lock { Taken, Held, Unavailable };
    Lock tryLock();
    void unlock();
    void listen();
    void acceptPeers();
    void readRequest(QLocalSocket* peer);

    QLocalServer m_server;
    // The locked file's descriptor, or the mutex's handle; -1 while not held.
    qintptr m_lock = -1;
};

} // namespace alerts::platform
