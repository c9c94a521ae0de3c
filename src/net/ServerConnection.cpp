// SPDX-License-Identifier: MIT
#include "net/ServerConnection.h"

#if defined(Q_OS_WIN)
#include <winsock2.h>
// After winsock2.h, whose types it uses.
#include <mstcpip.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace alerts::net {

ServerConnection::ServerConnection(QObject* parent) : QObject(parent) {
    m_socket.setReadBufferSize(kReadBufferSize);
    connect(&m_socket, &QTcpSocket::readyRead, this, &ServerConnection::drain);
    // The options belong to the native socket, which exists only once connected;
    // set before that, they are silently lost.
    connect(&m_socket, &QTcpSocket::connected, this, &ServerConnection::enableKeepAlive);
}

void ServerConnection::connectToServer(const QString& host, const QString& port) {
    bool ok = false;
    const quint16 number = port.toUShort(&ok);
    if (!ok) {
        return; // no attempt can start; the owner's watchdog keeps seeing "not connected"
    }
    // Read-only: a socket opened for reading alone cannot be written to by mistake.
    m_socket.connectToHost(host, number, QIODevice::ReadOnly);
}

void ServerConnection::close() {
    // abort(), not close(): close() leaves an attempt that is still connecting
    // half-alive, and the next connectToHost() then fails.
    m_socket.abort();
}

bool ServerConnection::isConnected() const {
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

void ServerConnection::drain() {
    const QByteArray bytes = m_socket.readAll();
    if (!bytes.isEmpty()) {
        emit dataArrived(bytes);
    }
}

void ServerConnection::enableKeepAlive() {
    const qintptr descriptor = m_socket.socketDescriptor();
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
