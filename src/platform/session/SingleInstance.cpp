// SPDX-License-Identifier: MIT
#include "platform/session/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

#if defined(Q_OS_WIN)
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#if !defined(Q_OS_WIN)
// A directory of the user's own, and the name the files carry in it. (Windows
// needs none: its lock is a mutex and its socket a pipe.)
struct Place {
    QString directory;
    QString baseName;
};

Place place() {
#if defined(Q_OS_MACOS)
    // Every user has a temporary folder of their own; the runtime location is a
    // general data folder.
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
#endif

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

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptPeers);
}

SingleInstance::~SingleInstance() {
    // The socket goes away before the lock does: whoever takes the lock next
    // finds no server of ours to ask.
    m_server.close();
    unlock();
}

QString SingleInstance::lockPath() {
#if defined(Q_OS_WIN)
    // The session's namespace: another user signed in on the same machine runs
    // a program of their own.
    return QStringLiteral("Local\\alerts-") + userName();
#else
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".lock");
#endif
}

#if defined(Q_OS_WIN)

SingleInstance::Lock SingleInstance::tryLock() {
    const std::wstring name = lockPath().toStdWString();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        return Lock::Unavailable;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Not kept open: the mutex must die with its holder, not live on in us.
        CloseHandle(mutex);
        return Lock::Held;
    }
    m_lock = reinterpret_cast<qintptr>(mutex);
    return Lock::Taken;
}

void SingleInstance::unlock() {
    if (m_lock != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(m_lock));
        m_lock = -1;
    }
}

#else

SingleInstance::Lock SingleInstance::tryLock() {
    const QByteArray path = QFile::encodeName(lockPath());
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd == -1) {
            return Lock::Unavailable;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            ::close(fd);
            return held ? Lock::Held : Lock::Unavailable;
        }
        // The holder removes the file on its way out; a lock taken on a file
        // that is no longer at the path guards nothing, so try the path again.
        struct stat opened {};
        struct stat current {};
        if (::fstat(fd, &opened) == 0 && ::stat(path.constData(), &current) == 0 &&
            opened.st_dev == current.st_dev && opened.st_ino == current.st_ino) {
            m_lock = fd;
            return Lock::Taken;
        }
        ::close(fd);
    }
}

void SingleInstance::unlock() {
    if (m_lock != -1) {
        // Removed while still locked, so no later start locks the old file.
        ::unlink(QFile::encodeName(lockPath()).constData());
        ::close(static_cast<int>(m_lock));
        m_lock = -1;
    }
}

#endif

QString SingleInstance::serverName() {
#if defined(Q_OS_WIN)
    // Pipe names are machine-wide: the user's name keeps users apart.
    return QStringLiteral("alerts-") + userName();
#else
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".socket");
#endif
}

SingleInstance::Role SingleInstance::start(std::chrono::milliseconds patience, Listen when) {
    const QString name = serverName();
    const QDeadlineTimer deadline(patience);
    for (;;) {
        const Lock lock = tryLock();
        if (lock == Lock::Taken) {
            if (when == Listen::Now) {
                listen();
            } else {
                // Under Wine the pipe, its security descriptor and the wait Qt
                // registers for it cost tens of milliseconds of the start-up.
                QMetaObject::invokeMethod(this, &SingleInstance::listen, Qt::QueuedConnection);
            }
            return Role::Primary;
        }
        if (lock == Lock::Unavailable) {
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
