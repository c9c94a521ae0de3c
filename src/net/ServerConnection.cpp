// SPDX-License-Identifier: MIT
#include "net/ServerConnection.h"

namespace alerts::net {

ServerConnection::ServerConnection(QObject* parent) : QObject(parent) {
    m_socket.setReadBufferSize(kReadBufferSize);
    connect(&m_socket, &QTcpSocket::readyRead, this, &ServerConnection::drain);
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

} // namespace alerts::net
