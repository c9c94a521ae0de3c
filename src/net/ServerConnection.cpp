// SPDX-License-Identifier: MIT
#include "net/ServerConnection.h"

#include <QHostInfo>

#if defined(Q_OS_WIN)
#include <winsock2.h>
// After winsock2.h, whose types it uses.
#include <mstcpip.h>
#else
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace alerts::net {

ServerConnection::ServerConnection(QObject* parent) : QObject(parent) {
    m_attemptDelay.setSingleShot(true);
    m_attemptDelay.setInterval(core::kAttemptDelay);
    connect(&m_attemptDelay, &QTimer::timeout, this,
            [this] { startAttempt(m_race.delayElapsed()); });
    m_nextRead.setSingleShot(true);
    m_nextRead.setInterval(0);
    connect(&m_nextRead, &QTimer::timeout, this, &ServerConnection::drain);
}

ServerConnection::~ServerConnection() {
    close();
}

void ServerConnection::connectToServer(const QString& host, const QString& port) {
    bool ok = false;
    const quint16 number = port.toUShort(&ok);
    if (!ok) {
        return; // no attempt can start; the owner's watchdog keeps seeing "not connected"
    }
    close();
    m_port = number;
    const QHostAddress literal(host);
    if (!literal.isNull()) {
        m_addresses = {literal};
        m_race = core::ConnectionRace(1);
        m_attempts.assign(1, nullptr);
        startAttempt(m_race.start());
        return;
    }
    // Resolved in the background; a lookup still running when the owner closes is
    // abandoned, and its answer never arrives here.
    m_lookupId = QHostInfo::lookupHost(host, this, &ServerConnection::hostFound);
}

void ServerConnection::hostFound(const QHostInfo& info) {
    if (info.lookupId() != m_lookupId) {
        return;
    }
    m_lookupId = -1;
    const QList<QHostAddress> found = info.addresses();
    std::vector<core::AddressFamily> families;
    families.reserve(found.size());
    for (const QHostAddress& address : found) {
        families.push_back(address.protocol() == QAbstractSocket::IPv6Protocol
                               ? core::AddressFamily::IPv6
                               : core::AddressFamily::IPv4);
    }
    m_addresses.clear();
    for (const std::size_t index : core::attemptOrder(families)) {
        m_addresses.append(found[static_cast<qsizetype>(index)]);
    }
    m_race = core::ConnectionRace(m_addresses.size());
    m_attempts.assign(m_addresses.size(), nullptr);
    startAttempt(m_race.start()); // nothing to start for a name without addresses
}

void ServerConnection::startAttempt(std::optional<std::size_t> attempt) {
    if (!attempt) {
        return;
    }
    const std::size_t number = *attempt;
    auto* socket = new QTcpSocket(this);
    socket->setReadBufferSize(kReadBufferSize);
    m_attempts[number] = socket;
    connect(socket, &QTcpSocket::connected, this, [this, socket] { attemptConnected(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, number] { attemptFailed(number); });
    if (m_race.moreToStart()) {
        m_attemptDelay.start();
    } else {
        m_attemptDelay.stop();
    }
    // Read-only: a socket opened for reading alone cannot be written to by mistake.
    socket->connectToHost(m_addresses[static_cast<qsizetype>(number)], m_port, QIODevice::ReadOnly);
}

void ServerConnection::attemptFailed(std::size_t attempt) {
    if (attempt >= m_attempts.size() || m_attempts[attempt] == nullptr) {
        return;
    }
    discard(m_attempts[attempt]);
    m_attempts[attempt] = nullptr;
    startAttempt(m_race.attemptFailed(attempt));
}

void ServerConnection::attemptConnected(QTcpSocket* socket) {
    m_attemptDelay.stop();
    m_race = core::ConnectionRace();
    // The others are dropped before they can connect too; one that already has
    // is reset, never written to.
    for (QTcpSocket* other : m_attempts) {
        if (other != nullptr && other != socket) {
            discard(other);
        }
    }
    m_attempts.clear();
    m_socket = socket;
    disconnect(socket, nullptr, this, nullptr);
    connect(socket, &QTcpSocket::readyRead, this, &ServerConnection::readArrived);
    enableKeepAlive();
    if (socket->bytesAvailable() > 0) {
        drain();
    }
}

void ServerConnection::discard(QTcpSocket* socket) {
    disconnect(socket, nullptr, this, nullptr);
    // abort(), not close(): close() leaves an attempt that is still connecting
    // half-alive.
    socket->abort();
    // Not deleted at once: this may run inside one of the socket's own signals.
    socket->deleteLater();
}

void ServerConnection::close() {
    if (m_lookupId != -1) {
        QHostInfo::abortHostLookup(m_lookupId);
        m_lookupId = -1;
    }
    m_attemptDelay.stop();
    m_nextRead.stop();
    m_race = core::ConnectionRace();
    for (QTcpSocket* attempt : m_attempts) {
        if (attempt != nullptr) {
            discard(attempt);
        }
    }
    m_attempts.clear();
    if (m_socket != nullptr) {
        discard(m_socket);
        m_socket = nullptr;
    }
    m_addresses.clear();
}

bool ServerConnection::isConnected() const {
    return m_socket != nullptr && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool ServerConnection::confirmConnected() {
    if (!isConnected()) {
        return false;
    }
    // Taken by Qt but never handed on: read now, unless a deferred read is on its way.
    if (!m_nextRead.isActive() && m_socket->bytesAvailable() > 0) {
        drain();
    }
    // Waiting in the system with no notification to come: Qt's own read path takes
    // them (a close included) without waiting, and hands the bytes on as always.
    if (m_socket != nullptr && !m_nextRead.isActive() && systemHoldsMore()) {
        m_socket->waitForReadyRead(0);
        if (m_socket != nullptr && m_socket->bytesAvailable() > 0) {
            drain();
        }
    }
    return isConnected();
}

QAbstractSocket::SocketState ServerConnection::state() const {
    if (m_socket != nullptr) {
        return m_socket->state();
    }
    if (m_lookupId != -1) {
        return QAbstractSocket::HostLookupState;
    }
    // A failed attempt is followed by the next at once, so the race is under way
    // until every attempt has failed.
    return m_attempts.empty() || m_race.lost() ? QAbstractSocket::UnconnectedState
                                               : QAbstractSocket::ConnectingState;
}

qintptr ServerConnection::nativeDescriptor() const {
    return m_socket != nullptr ? m_socket->socketDescriptor() : -1;
}

void ServerConnection::readArrived() {
    if (!m_nextRead.isActive()) {
        drain();
    }
}

void ServerConnection::drain() {
    if (m_socket == nullptr) {
        return;
    }
    const QByteArray bytes = m_socket->readAll();
    if (bytes.size() >= kReadBufferSize) {
        m_nextRead.start();
    }
    if (!bytes.isEmpty()) {
        emit dataArrived(bytes);
    }
    // Bytes Qt took while the handler ran an event loop of its own come with no
    // readyRead (Qt emits none inside another): taken in the next round instead.
    if (m_socket != nullptr && !m_nextRead.isActive() && m_socket->bytesAvailable() > 0) {
        m_nextRead.start();
    }
}

bool ServerConnection::systemHoldsMore() const {
    const qintptr descriptor = nativeDescriptor();
    if (descriptor == -1) {
        return false;
    }
    // A peek takes nothing: 1 for a byte, 0 for the peer's close, an error for a
    // reset; "would block" alone means the connection holds nothing new.
    char byte = 0;
#if defined(Q_OS_WIN)
    const int peeked = ::recv(static_cast<SOCKET>(descriptor), &byte, 1, MSG_PEEK);
    return peeked != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK;
#else
    const auto peeked = ::recv(static_cast<int>(descriptor), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
#endif
}

void ServerConnection::enableKeepAlive() const {
    // The options belong to the native socket, which exists only once connected;
    // set before that, they are silently lost.
    const qintptr descriptor = nativeDescriptor();
    if (descriptor == -1) {
        return;
    }
#if defined(Q_OS_WIN)
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = kKeepAliveIdleSeconds * 1000;
    values.keepaliveinterval = kKeepAliveIntervalSeconds * 1000; // Windows sends 10 probes
    DWORD returned = 0;
    WSAIoctl(static_cast<SOCKET>(descriptor), SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr,
             0, &returned, nullptr, nullptr);
#else
    const auto fd = static_cast<int>(descriptor);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
#if defined(Q_OS_MACOS)
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPALIVE, &kKeepAliveIdleSeconds, sizeof(int));
#else
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleSeconds, sizeof(int));
#endif
#if defined(TCP_KEEPINTVL) && defined(TCP_KEEPCNT)
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalSeconds, sizeof(int));
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof(int));
#endif
#endif
}

} // namespace alerts::net
