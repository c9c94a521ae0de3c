// SPDX-License-Identifier: MIT
#include "platform/session/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace alerts::platform {

namespace {

constexpr unsigned long kRetryIntervalMs = 50;

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

// The request's words, without the line's end.
constexpr QByteArrayView kWords =
    SingleInstance::kRequest.first(SingleInstance::kRequest.size() - 1);

// Printable, no spaces, of a sane length: what a token is in a line of its own.
bool isToken(QByteArrayView bytes) {
    return bytes.size() <= SingleInstance::kMaxTokenBytes &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return c > ' ' && c < 127; });
}

QByteArray requestLine() {
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty() || !isToken(token)) {
        return SingleInstance::kRequest.toByteArray();
    }
    return kWords.toByteArray() + ' ' + token + '\n';
}

// Asks the program holding the lock to restore its window; true once it says it did.
bool askPrimary(const QString& name, const QDeadlineTimer& deadline) {
    const QByteArray request = requestLine();
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
    // One byte more than the longest request tells a request from a request and more.
    const qsizetype longest = kWords.size() + 1 + kMaxTokenBytes + 1;
    const QByteArray received = peer->peek(longest + 1);
    const qsizetype end = received.indexOf('\n');
    const QByteArrayView line = QByteArrayView(received).first(end < 0 ? received.size() : end);
    // So far the words, or the words, a space and a token, ending the line or not yet.
    const bool wellFormed =
        line.size() <= kWords.size()
            ? kWords.startsWith(line) && (end < 0 || line.size() == kWords.size())
            : line.startsWith(kWords) && line.at(kWords.size()) == ' ' &&
                  isToken(line.sliced(kWords.size() + 1)) &&
                  (end < 0 || line.size() > kWords.size() + 1);
    if (!wellFormed || (end >= 0 && received.size() > end + 1)) {
        drop(peer);
        return;
    }
    if (end < 0) {
        return; // the rest is still on its way
    }
    peer->read(end + 1);
    // One request a connection: whatever follows is left unread.
    disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
    emit restoreRequested(line.size() > kWords.size() ? line.sliced(kWords.size() + 1).toByteArray()
                                                      : QByteArray());
    peer->write(kReply.data(), kReply.size());
    peer->disconnectFromServer(); // once the reply is written
}

} // namespace alerts::platform
