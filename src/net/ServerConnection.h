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
    static constexpr qint64 kReadBufferSize = 64 * 1024;

    explicit ServerConnection(QObject* parent = nullptr);

    // Starts an attempt and returns at once; the host name is resolved as part of it.
    // The port is given as text, as the server's address is written down.
    void connectToServer(const QString& host, const QString& port);
    // Closes whatever state the socket is in, a stalled attempt included, and leaves
    // it ready for a new connectToServer().
    void close();
    [[nodiscard]] bool isConnected() const;

signals:
    // Every byte that was waiting, taken at once.
    void dataArrived(const QByteArray& bytes);

private:
    void drain();

    QTcpSocket m_socket;
};

} // namespace alerts::net
