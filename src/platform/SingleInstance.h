// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArrayView>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalSocket;

namespace alerts::platform {

// One running program per user. The first start holds a lock file and listens on
// a local socket beside it; a later start finds the lock taken, asks the running
// program over the socket to bring its window back, and ends.
//
// Both live in the user's runtime directory ($XDG_RUNTIME_DIR on Linux), so that
// directory alone decides which programs see each other. A lock left by a process
// that died is recognised by its process id and taken over.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,     // this process runs the program
        Secondary,   // the running program took the request: end now
        Unreachable, // a live program holds the lock but did not answer in time
    };

    // What a later start sends, and what the running program answers once its
    // window is back. Anything else on the socket is dropped unanswered.
    static constexpr QByteArrayView kRequest{"alerts: restore\n"};
    static constexpr QByteArrayView kReply{"alerts: restored\n"};

    // How long a later start keeps trying: the running program may be between
    // taking the lock and listening, or busy starting up.
    static constexpr std::chrono::milliseconds kPatience{3000};
    // How long the running program waits for a connected peer's request.
    static constexpr std::chrono::milliseconds kPeerTimeout{2000};

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Blocks for at most `patience`; call it before any window exists.
    Role start(std::chrono::milliseconds patience = kPatience);

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }

    [[nodiscard]] static QString lockPath();
    [[nodiscard]] static QString serverName();

signals:
    // A later start asked for the window.
    void restoreRequested();

private:
    void listen();
    void acceptPeers();
    void readRequest(QLocalSocket* peer);

    // Declared before the server: the socket goes away before the lock does.
    QLockFile m_lock;
    QLocalServer m_server;
};

} // namespace alerts::platform
