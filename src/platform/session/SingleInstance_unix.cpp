// SPDX-License-Identifier: MIT
// The lock as an flock()ed file, and the socket beside it.
#include "platform/session/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace alerts::platform {

namespace {

#if defined(Q_OS_MACOS)
// Every user has a temporary folder of their own; the runtime location is a
// general data folder.
constexpr auto kOwnLocation = QStandardPaths::TempLocation;
#else
constexpr auto kOwnLocation = QStandardPaths::RuntimeLocation;
#endif

// A directory of the user's own, and the name the files carry in it.
struct Place {
    QString directory;
    QString baseName;
};

Place place() {
    const QString own = QStandardPaths::writableLocation(kOwnLocation);
    if (!own.isEmpty()) {
        return {own, QStringLiteral("alerts")};
    }
    // A shared folder: the user's name keeps users apart.
    return {QDir::tempPath(), QStringLiteral("alerts-") + qEnvironmentVariable("USER")};
}

} // namespace

QString SingleInstance::lockPath() {
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".lock");
}

QString SingleInstance::serverName() {
    const Place where = place();
    return where.directory + QLatin1Char('/') + where.baseName + QStringLiteral(".socket");
}

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

} // namespace alerts::platform
