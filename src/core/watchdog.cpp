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

std::span<const ConnectionStep> watchdogTick(bool connected) {
    if (connected) {
        return {};
    }
    return kReconnect;
}

std::span<const ConnectionStep> openConnection() {
    return kOpen;
}

} // namespace alerts::core
