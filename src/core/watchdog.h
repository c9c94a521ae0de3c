// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <optional>
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

// The machine's two clocks, read together. The wall clock runs on through a
// suspend; the monotonic one stops while the machine sleeps.
struct ClockReading {
    std::chrono::milliseconds wall{};
    std::chrono::milliseconds monotonic{};
};

// How far the wall clock may run ahead of the monotonic one between two readings
// before that counts as a sleep. Slewing parts them by milliseconds a day; a
// clock stepped forward by hand or by NTP costs one needless reconnect.
inline constexpr std::chrono::milliseconds kSleepThreshold{5000};

// Whether the machine slept between two readings. No earlier reading, or a
// monotonic clock that went backwards, tells nothing: no sleep.
bool sleptBetween(const std::optional<ClockReading>& before, const ClockReading& now);

// The watchdog tick (every 10 s, always running). After a sleep the socket may
// still read "connected" while its path is long dead (an expired NAT entry,
// another network, a server that dropped it), so it counts as lost.
std::span<const ConnectionStep> watchdogTick(bool connected, bool slept);

// The network's reachability changed. Coming online from any other state
// (another network, a link that was down) makes whatever the socket holds
// suspect: a connection made before the change or an attempt over the old path.
std::span<const ConnectionStep> networkChange(bool wasOnline, bool online);

// What the window does when it loads: start the first attempt.
std::span<const ConnectionStep> openConnection();

} // namespace alerts::core
