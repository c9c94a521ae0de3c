// SPDX-License-Identifier: MIT
// The lock as a named mutex, and the socket as a named pipe.
#include "platform/session/SingleInstance.h"

#include <windows.h>

namespace alerts::platform {

namespace {

QString userName() {
    return qEnvironmentVariable("USERNAME");
}

} // namespace

QString SingleInstance::lockPath() {
    // The session's namespace: another user signed in on the same machine runs
    // a program of their own.
    return QStringLiteral("Local\\alerts-") + userName();
}

QString SingleInstance::serverName() {
    // Pipe names are machine-wide: the user's name keeps users apart.
    return QStringLiteral("alerts-") + userName();
}

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

} // namespace alerts::platform
