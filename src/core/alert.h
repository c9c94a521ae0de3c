// SPDX-License-Identifier: MIT
#pragma once

#include <array>

namespace alerts::core {

// The four alert options, as one choice among four.
enum class AlertOption { Show, Both, Sound, Disable };

struct AlertOptions {
    bool show = false;
    bool both = false;
    bool sound = false;
    bool disable = false;

    bool operator==(const AlertOptions&) const = default;
};

bool& optionValue(AlertOptions& options, AlertOption option);

// The boxes a user's click on `clicked` clears, in the order it clears them.
std::array<AlertOption, 3> clearedByClick(AlertOption clicked);

// `toggled` holds the values after the click toggled the clicked box; the result
// keeps that box as the click left it and clears the other three.
AlertOptions afterClick(AlertOptions toggled, AlertOption clicked);

struct AlertChoice {
    bool popup = false;
    bool sound = false; // after the popup, where both are given

    bool operator==(const AlertChoice&) const = default;
};

// The first checked box in the order Show, Both, Sound, Disable decides.
AlertChoice chooseAlert(const AlertOptions& options);

} // namespace alerts::core
