// SPDX-License-Identifier: MIT
// announce: a small tournament notification server for demos and tests.
//
// Listens on a TCP port and writes tournament records to every connected client,
// each record as one write. It never sends anything else, and never reads what a
// client sends except to count it, so a test can prove that a client sent nothing.
//
// Standard input takes one command a line:
//   starter|kind|place   a record (UTF-8 in, sent as Windows-1252; '?' where it has no byte)
//   !raw HEX             these exact bytes
//   !close               close every client gracefully
//   !reset               abort every client with a reset (RST)
//   !quit                close every client and end
// End of input does not end the server.
//
// Lines on standard error, for scripts to wait on:
//   listening PORT
//   client connected N                      (N = clients now connected)
//   client disconnected N received BYTES    (N = clients still connected)
//   sent BYTES to N clients

#include "core/codepage.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr char kDelimiter = '\xB3';     // ³ between fields
constexpr char kKindMarker = '\xC9';    // É around the kind
constexpr char kStarterMarker = '\xE7'; // ç around the starter
constexpr char kPlaceMarker = '\xFA';   // ú around the place

// Tournaments that --every cycles through.
constexpr std::array<const char*, 6> kSamples = {
    "Korvel|Blitz|Hall 1",      "Ansgar|Bullet|Hall 2",  "mira_77|Rapid|Main Arena",
    "Thessaly|Chess960|Hall 3", "Ödön|Crazyhouse|Lobby", "night.owl|Atomic|Hall 1",
};

void say(const QByteArray& line) {
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character outside the BMP: one '?'
            bytes.append('?');
            continue;
        }
        const std::optional<char> byte = alerts::core::unicodeToWindows1252(ch.unicode());
        bytes.append(byte.value_or('?'));
    }
    return bytes;
}

// "starter|kind|place" -> the five-field record; the place may itself hold '|'.
std::optional<QByteArray> recordFromLine(const QString& line) {
    const QStringList parts = line.split(QLatin1Char('|'));
    if (parts.size() < 3) {
        return std::nullopt;
    }
    const QString place = parts.mid(2).join(QLatin1Char('|'));
    QByteArray record;
    record += 'T';
    record += kDelimiter;
    record += kKindMarker + toWindows1252(parts.at(1)) + kKindMarker;
    record += kDelimiter;
    record += kStarterMarker + toWindows1252(parts.at(0)) + kStarterMarker;
    record += kDelimiter;
    record += '0';
    record += kDelimiter;
    record += kPlaceMarker + toWindows1252(place) + kPlaceMarker;
    return record;
}

std::optional<QByteArray> bytesFromHex(const QString& text) {
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    for (const QChar ch : digits) {
        if (!ch.isDigit() && !QStringLiteral("abcdefABCDEF").contains(ch)) {
            return std::nullopt;
        }
    }
    return QByteArray::fromHex(digits.toLatin1());
}

// Closing with a zero linger time makes the kernel send RST instead of FIN.
void resetSocket(QTcpSocket* socket) {
    const qintptr fd = socket->socketDescriptor();
    if (fd >= 0) {
        const linger hard{.l_onoff = 1, .l_linger = 0};
        ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    socket->abort();
}

// Bytes the client sent that the kernel holds and Qt has not read yet.
qint64 unreadInKernel(const QTcpSocket* socket) {
    const qintptr fd = socket->socketDescriptor();
    int count = 0;
    if (fd < 0 || ::ioctl(static_cast<int>(fd), FIONREAD, &count) != 0) {
        return 0;
    }
    return count;
}

int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

struct Options {
    quint16 port = 4500;
    int everyMs = 0;
    QByteArray rawOnConnect;
    bool closeOnAccept = false;
    bool resetOnAccept = false;
    bool silent = false;
    std::optional<QByteArray> onceOnConnect;
    int delayMs = 0;
};

class Announcer final {
public:
    explicit Announcer(const Options& options) : m_options(options) {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { accept(); });
        QObject::connect(&m_every, &QTimer::timeout, [this] { sendSample(); });
    }

    bool listen() {
        if (!m_server.listen(QHostAddress::Any, m_options.port)) {
            say("error cannot listen on port " + QByteArray::number(m_options.port) + ": " +
                m_server.errorString().toUtf8());
            return false;
        }
        say("listening " + QByteArray::number(m_server.serverPort()));
        if (m_options.everyMs > 0) {
            m_every.start(m_options.everyMs);
        }
        return true;
    }

    void command(const QString& line) {
        if (line.isEmpty()) {
            return;
        }
        if (!line.startsWith(QLatin1Char('!'))) {
            if (const auto record = recordFromLine(line)) {
                broadcast(*record);
            } else {
                say("error expected starter|kind|place: " + line.toUtf8());
            }
            return;
        }
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        if (verb == QLatin1String("!raw")) {
            if (const auto bytes = bytesFromHex(line.section(QLatin1Char(' '), 1))) {
                broadcast(*bytes);
            } else {
                say("error bad hex: " + line.toUtf8());
            }
        } else if (verb == QLatin1String("!close")) {
            for (QTcpSocket* client : clients()) {
                collect(client);
                client->disconnectFromHost();
            }
        } else if (verb == QLatin1String("!reset")) {
            for (QTcpSocket* client : clients()) {
                collect(client);
                resetSocket(client);
                drop(client);
            }
        } else if (verb == QLatin1String("!quit")) {
            quit();
        } else {
            say("error unknown command: " + line.toUtf8());
        }
    }

    void quit() {
        for (QTcpSocket* client : clients()) {
            collect(client);
            client->disconnectFromHost();
            if (client->state() != QAbstractSocket::UnconnectedState) {
                client->waitForDisconnected(1000);
            }
            drop(client);
        }
        m_server.close();
        QCoreApplication::quit();
    }

private:
    QList<QTcpSocket*> clients() const {
        QList<QTcpSocket*> list;
        for (const Client& c : m_clients) {
            list.append(c.socket);
        }
        return list;
    }

    void accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            m_clients.append({socket, 0});
            say("client connected " + QByteArray::number(m_clients.size()));
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                // Only counted: a client has nothing to say to this server.
                find(socket)->received += socket->readAll().size();
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket,
                             [this, socket] { drop(socket); });
            welcome(socket);
        }
    }

    void welcome(QTcpSocket* socket) {
        if (m_options.resetOnAccept) {
            resetSocket(socket);
            drop(socket);
            return;
        }
        if (m_options.closeOnAccept) {
            socket->disconnectFromHost();
            return;
        }
        if (!m_options.rawOnConnect.isEmpty()) {
            send(socket, m_options.rawOnConnect);
            say("sent " + QByteArray::number(m_options.rawOnConnect.size()) + " to 1 clients");
        }
        if (m_options.onceOnConnect) {
            const QByteArray record = *m_options.onceOnConnect;
            QTimer::singleShot(
                m_options.delayMs, socket, [this, socket = QPointer<QTcpSocket>(socket), record] {
                    if (socket && find(socket)) {
                        send(socket, record);
                        say("sent " + QByteArray::number(record.size()) + " to 1 clients");
                    }
                });
        }
    }

    struct Client {
        QTcpSocket* socket = nullptr;
        qint64 received = 0;
    };

    Client* find(const QTcpSocket* socket) {
        for (Client& c : m_clients) {
            if (c.socket == socket) {
                return &c;
            }
        }
        return nullptr;
    }

    // Counts what the client sent up to now, before our side closes it.
    void collect(QTcpSocket* socket) {
        if (Client* client = find(socket)) {
            client->received += socket->readAll().size() + unreadInKernel(socket);
        }
    }

    void drop(QTcpSocket* socket) {
        const Client* client = find(socket);
        if (!client) {
            return;
        }
        qint64 received = client->received;
        if (socket->isOpen()) {
            received += socket->readAll().size();
        }
        m_clients.removeIf([socket](const Client& c) { return c.socket == socket; });
        say("client disconnected " + QByteArray::number(m_clients.size()) + " received " +
            QByteArray::number(received));
        socket->deleteLater();
    }

    static void send(QTcpSocket* socket, const QByteArray& bytes) {
        // One record, one write: flushing at once keeps two records from sharing a segment.
        socket->write(bytes);
        socket->flush();
    }

    void broadcast(const QByteArray& bytes) {
        if (m_options.silent) {
            say("silent: not sent");
            return;
        }
        int count = 0;
        for (const Client& c : m_clients) {
            if (c.socket->state() == QAbstractSocket::ConnectedState) {
                send(c.socket, bytes);
                ++count;
            }
        }
        say("sent " + QByteArray::number(bytes.size()) + " to " + QByteArray::number(count) +
            " clients");
    }

    void sendSample() {
        const QString line = QString::fromUtf8(kSamples.at(m_nextSample));
        m_nextSample = (m_nextSample + 1) % kSamples.size();
        command(line);
    }

    Options m_options;
    QTcpServer m_server;
    QTimer m_every;
    QList<Client> m_clients;
    std::size_t m_nextSample = 0;
};

// Reads standard input without blocking the event loop and hands on whole lines.
class LineReader final {
public:
    explicit LineReader(std::function<void(const QString&)> onLine)
        : m_onLine(std::move(onLine)), m_notifier(STDIN_FILENO, QSocketNotifier::Read) {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { readSome(); });
    }

private:
    void readSome() {
        std::array<char, 4096> chunk{};
        const ssize_t n = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (n <= 0) {
            // End of input (or none at all): keep serving; a notifier left on would spin.
            m_notifier.setEnabled(false);
            return;
        }
        m_pending.append(chunk.data(), n);
        qsizetype end = 0;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            if (line.endsWith('\r')) {
                line.chop(1);
            }
            m_onLine(QString::fromUtf8(line));
        }
    }

    std::function<void(const QString&)> m_onLine;
    QSocketNotifier m_notifier;
    QByteArray m_pending;
};

bool parseOptions(const QCoreApplication& app, Options& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tournament notification server for demos and tests. Standard input takes\n"
        "'starter|kind|place' records and the commands !raw HEX, !close, !reset, !quit."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on (0: any free one)."),
                                  QStringLiteral("N"), QStringLiteral("4500"));
    const QCommandLineOption every(QStringLiteral("every"),
                                   QStringLiteral("Announce a sample tournament every S seconds."),
                                   QStringLiteral("S"));
    const QCommandLineOption raw(QStringLiteral("raw"),
                                 QStringLiteral("Send these bytes to each client on connect."),
                                 QStringLiteral("HEX"));
    const QCommandLineOption closeOnAccept(QStringLiteral("close-on-accept"),
                                           QStringLiteral("Close each client at once."));
    const QCommandLineOption resetOnAccept(QStringLiteral("reset-on-accept"),
                                           QStringLiteral("Reset each client at once."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Never send."));
    const QCommandLineOption once(
        QStringLiteral("once-on-connect"),
        QStringLiteral("Send this record to each client on connect, after --delay-ms."),
        QStringLiteral("starter|kind|place"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                   QStringLiteral("Delay before --once-on-connect."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({port, every, raw, closeOnAccept, resetOnAccept, silent, once, delay});
    parser.process(app);

    bool ok = false;
    const uint portValue = parser.value(port).toUInt(&ok);
    if (!ok || portValue > 65535) {
        say("error bad --port");
        return false;
    }
    options.port = static_cast<quint16>(portValue);
    if (parser.isSet(every)) {
        const double seconds = parser.value(every).toDouble(&ok);
        if (!ok || seconds <= 0) {
            say("error bad --every");
            return false;
        }
        options.everyMs = static_cast<int>(seconds * 1000);
    }
    if (parser.isSet(raw)) {
        const auto bytes = bytesFromHex(parser.value(raw));
        if (!bytes) {
            say("error bad --raw");
            return false;
        }
        options.rawOnConnect = *bytes;
    }
    options.closeOnAccept = parser.isSet(closeOnAccept);
    options.resetOnAccept = parser.isSet(resetOnAccept);
    options.silent = parser.isSet(silent);
    if (parser.isSet(once)) {
        options.onceOnConnect = recordFromLine(parser.value(once));
        if (!options.onceOnConnect) {
            say("error --once-on-connect expects starter|kind|place");
            return false;
        }
    }
    options.delayMs = parser.value(delay).toInt(&ok);
    if (!ok || options.delayMs < 0) {
        say("error bad --delay-ms");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!parseOptions(app, options)) {
        return 2;
    }

    // SIGTERM and SIGINT end the server the way !quit does, so every client's
    // byte count is still reported.
    if (::pipe(g_signalPipe) != 0) {
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Announcer announcer(options);
    QSocketNotifier terminate(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&terminate, &QSocketNotifier::activated, [&announcer] { announcer.quit(); });

    LineReader input([&announcer](const QString& line) { announcer.command(line); });
    if (!announcer.listen()) {
        return 1;
    }
    return QCoreApplication::exec();
}
