// SPDX-License-Identifier: MIT
#include "watchdog.h"

#include <array>

namespace alerts::core {

namespace {

using enum ConnectionStep;

constexpr std::array kConfirm = {DisableConfirmTimer, ShowConnected, DisableConnectButton};
constexpr std::array kReconnect = {ShowDisconnected, EnableConnectButton, CloseSocket, Connect,
                                   EnableConfirmTimer};
constexpr std::array kOpen = {Connect, EnableConfirmTimer};

} // namespace

std::span<const ConnectionStep> connectConfirmTick(bool connected) {
    if (connected) {
        return kConfirm;
    }
    return {};
}

bool sleptBetween(const std::optional<ClockReading>& before, const ClockReading& now) {
    if (!before || now.monotonic < before->monotonic) {
        return false;
    }
    const auto awake = now.monotonic - before->monotonic;
    const auto passed = now.wall - before->wall;
    return passed - awake > kSleepThreshold;
}

std::span<const ConnectionStep> watchdogTick(bool connected, bool slept) {
    if (connected && !slept) {
        return {};
    }
    return kReconnect;
}

std::span<const ConnectionStep> networkChange(bool wasOnline, bool online) {
    if (online && !wasOnline) {
        return kReconnect;
    }
    return {};
}

std::span<const ConnectionStep> openConnection() {
    return kOpen;
}

} // namespace alerts::core
