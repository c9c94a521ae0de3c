// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>

namespace alerts::net {

// A receive-only TCP client. Its state is polled by the owner's timers; the only
// thing it reports by itself is data arriving. It never writes a byte.
class ServerConnection final : public QObject {
    Q_OBJECT
public:
    // Bounds what a flooding server can make us hold: the kernel pushes back
    // once this much is waiting unread.
    static constexpr qint64 kReadBufferSize = qint64{64} * 1024;

    // A server that vanishes without closing (sleep, a pulled cable, a crashed host)
    // would otherwise leave the socket "connected" for good. Keepalive probes carry
    // no payload: nothing is ever sent that the server could read.
    static constexpr int kKeepAliveIdleSeconds = 30;
    static constexpr int kKeepAliveIntervalSeconds = 10;
    static constexpr int kKeepAliveProbes = 3;

    explicit ServerConnection(QObject* parent = nullptr);

    // Starts an attempt and returns at once; the host name is resolved as part of it.
    // The port is given as text, as the server's address is written down.
    void connectToServer(const QString& host, const QString& port);
    // Closes whatever state the socket is in, a stalled attempt included, and leaves
    // it ready for a new connectToServer().
    void close();
    [[nodiscard]] bool isConnected() const;
    // Where the attempt stands; the program itself only asks isConnected().
    [[nodiscard]] QAbstractSocket::SocketState state() const { return m_socket.state(); }
    // The native socket, -1 when there is none.
    [[nodiscard]] qintptr nativeDescriptor() const { return m_socket.socketDescriptor(); }

signals:
    // Every byte that was waiting, taken at once.
    void dataArrived(const QByteArray& bytes);

private:
    void drain();
    void enableKeepAlive();

    QTcpSocket m_socket;
};

} // namespace alerts::net
