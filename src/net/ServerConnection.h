// SPDX-License-Identifier: MIT
#pragma once

#include "core/attempts.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <cstddef>
#include <optional>
#include <vector>

class QHostInfo;

namespace alerts::net {

// A receive-only TCP client. Its state is polled by the owner's timers; the only
// thing it reports by itself is data arriving. It never writes a byte.
//
// A name with several addresses is raced (RFC 8305): the addresses are tried in
// the resolver's order with the families interleaved, a new attempt joining every
// 250 ms or as soon as one fails, and the first to connect is the connection.
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
    ~ServerConnection() override;
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Starts an attempt and returns at once; the host name is resolved as part of it.
    // The port is given as text, as the server's address is written down.
    void connectToServer(const QString& host, const QString& port);
    // Closes whatever state the connection is in, the lookup and every attempt in
    // flight included, and leaves it ready for a new connectToServer().
    void close();
    [[nodiscard]] bool isConnected() const;
    // isConnected(), once what the system holds for the connection has been read:
    // bytes or a close that never reached us (a read notification lost) are taken
    // now, so a connection that has stopped delivering is not trusted as it stands.
    [[nodiscard]] bool confirmConnected();
    // Where the attempt stands; the program itself only asks isConnected().
    [[nodiscard]] QAbstractSocket::SocketState state() const;
    // The connection's native socket, -1 when there is none.
    [[nodiscard]] qintptr nativeDescriptor() const;

signals:
    // Every byte that was waiting, taken at once.
    void dataArrived(const QByteArray& bytes);

private:
    void hostFound(const QHostInfo& info);
    void startAttempt(std::optional<std::size_t> attempt);
    void attemptConnected(QTcpSocket* socket);
    void attemptFailed(std::size_t attempt);
    void discard(QTcpSocket* socket);
    void readArrived();
    void drain();
    void enableKeepAlive() const;
    // Whether the system holds unread bytes, a close or an error for the connection.
    [[nodiscard]] bool systemHoldsMore() const;

    quint16 m_port = 0;
    int m_lookupId = -1;
    QList<QHostAddress> m_addresses;
    core::ConnectionRace m_race;
    // Index = attempt number; null once the attempt has failed and gone.
    std::vector<QTcpSocket*> m_attempts;
    QTcpSocket* m_socket = nullptr; // the attempt that connected
    QTimer m_attemptDelay;
    // Windows hands out timers and paints only when no other message waits, and a
    // socket that never runs dry posts one read message after another: there a
    // flood would stop the popup, the timers and every paint. After a read that
    // filled the buffer, the next waits for a round of the event loop; meanwhile
    // the full buffer holds the socket's notifications back.
    QTimer m_nextRead;
};

} // namespace alerts::net
