// SPDX-License-Identifier: MIT
#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace alerts::platform {

namespace {

constexpr unsigned long kRetryIntervalMs = 50;

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

QString userName() {
#if defined(Q_OS_WIN)
    return qEnvironmentVariable("USERNAME");
#else
    return qEnvironmentVariable("USER");
#endif
}

// A directory of the user's own, and the name the files carry in it.
struct Place {
    QString directory;
    QString baseName;
};

Place place() {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    // Both give every user a temporary folder of their own; their runtime location
    // is a general data folder.
    return {QStandardPaths::writableLocation(QStandardPaths::TempLocation),
            QStringLiteral("alerts")};
#else
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) {
        return {runtime, QStringLiteral("alerts")};
    }
    // A shared folder: the user's name keeps users apart.
    return {QDir::tempPath(), QStringLiteral("alerts-") + userName()};
#endif
}

// Asks the program holding the lock to restore its window; true once it says it did.
bool askPrimary(const QString& name, const QDeadlineTimer& deadline) {
    const QByteArrayView request = SingleInstance::kRequest;
    const QByteArrayView expected = SingleInstance::kReply;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(remainingMs(deadline))) {
        return false;
    }
    socket.write(request.data(), request.size());
    if (!socket.waitForBytesWritten(remainingMs(deadline))) {
        return false;
    }
    QByteArray reply;
    while (reply.size() < expected.size()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(remainingMs(deadline))) {
            return false;
        }
        reply += socket.read(expected.size() - reply.size());
    }
    return reply == expected;
}

void drop(QLocalSocket* peer) {
    peer->abort();
    peer->deleteLater();
}

} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent), m_lock(lockPath()) {
    // Only a dead holder makes a lock stale: the running program holds it for
    // days, and an age limit would let a later start take it over.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptPeers);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath() {
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".lock");
}

QString SingleInstance::serverName() {
#if defined(Q_OS_WIN)
    // Pipe names are machine-wide: the user's name keeps users apart.
    return QStringLiteral("alerts-") + userName();
#else
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".socket");
#endif
}

SingleInstance::Role SingleInstance::start(std::chrono::milliseconds patience) {
    const QString name = serverName();
    const QDeadlineTimer deadline(patience);
    for (;;) {
        // tryLock takes over the lock of a process that no longer runs.
        if (m_lock.tryLock(0)) {
            listen();
            return Role::Primary;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            // No lock can be made here at all, so no other start can have one
            // either: run, without the guard, rather than never.
            qWarning("alerts: cannot create %s; a second start will not be noticed",
                     qUtf8Printable(lockPath()));
            return Role::Primary;
        }
        // Asking again after a failure also covers a holder that has just ended:
        // the next round takes its lock.
        if (askPrimary(name, deadline)) {
            return Role::Secondary;
        }
        if (deadline.hasExpired()) {
            // A live process holds the lock and has not answered: hung, or far too
            // busy. Starting anyway would make a second server connection and
            // sound every alert twice, so this start gives up; once the holder
            // ends, by itself or killed, the next start takes its place.
            return Role::Unreachable;
        }
        QThread::msleep(kRetryIntervalMs);
    }
}

void SingleInstance::listen() {
    const QString name = serverName();
    // Holding the lock, any socket file left there belongs to a dead holder.
    QLocalServer::removeServer(name);
    if (!m_server.listen(name)) {
        qWarning("alerts: cannot listen on %s: %s", qUtf8Printable(name),
                 qUtf8Printable(m_server.errorString()));
    }
}

void SingleInstance::acceptPeers() {
    while (QLocalSocket* peer = m_server.nextPendingConnection()) {
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readRequest(peer); });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        // A peer that never finishes its request must not stay forever.
        QTimer::singleShot(kPeerTimeout, peer, [peer] { drop(peer); });
        // Bytes may have come with the connection itself.
        if (peer->bytesAvailable() > 0) {
            readRequest(peer);
        }
    }
}

void SingleInstance::readRequest(QLocalSocket* peer) {
    // One byte more than a request tells a request from a request and more.
    const QByteArray received = peer->peek(kRequest.size() + 1);
    if (received.size() > kRequest.size() || !kRequest.startsWith(received)) {
        drop(peer);
        return;
    }
    if (received.size() < kRequest.size()) {
        return; // the rest is still on its way
    }
    peer->read(kRequest.size());
    // One request a connection: whatever follows is left unread.
    disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
    emit restoreRequested();
    peer->write(kReply.data(), kReply.size());
    peer->disconnectFromServer(); // once the reply is written
}

} // namespace alerts::platform
