// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string_view>

namespace alerts::core {

inline constexpr std::string_view kLabelNotConnected = "Not Connected";
inline constexpr std::string_view kLabelConnected = "Connected!";
inline constexpr std::string_view kLabelDisconnected = "Disconnected";

// One step the main window takes on a timer tick. The order of the steps is
// part of the behaviour: the label always changes before the socket is touched.
enum class ConnectionStep {
    DisableConfirmTimer,
    EnableConfirmTimer,
    ShowConnected,
    ShowDisconnected,
    EnableConnectButton,
    DisableConnectButton,
    CloseSocket,
    Connect,
};

// The connect-confirm tick (every 100 ms while a connection attempt is open).
std::span<const ConnectionStep> connectConfirmTick(bool connected);

// The watchdog tick (every 10 s, always running).
std::span<const ConnectionStep> watchdogTick(bool connected);

// What the window does when it loads: start the first attempt.
std::span<const ConnectionStep> openConnection();

} // namespace alerts::core
