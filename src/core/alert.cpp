// SPDX-License-Identifier: MIT
#include "alert.h"

namespace alerts::core {

bool& optionValue(AlertOptions& options, AlertOption option) {
    switch (option) {
    case AlertOption::Show:
        return options.show;
    case AlertOption::Both:
        return options.both;
    case AlertOption::Sound:
        return options.sound;
    case AlertOption::Disable:
        break;
    }
    return options.disable;
}

std::array<AlertOption, 3> clearedByClick(AlertOption clicked) {
    using enum AlertOption;
    switch (clicked) {
    case Show:
        return {Disable, Sound, Both};
    case Both:
        return {Show, Disable, Sound};
    case Sound:
        return {Show, Disable, Both};
    case Disable:
        break;
    }
    return {Show, Sound, Both};
}

AlertOptions afterClick(AlertOptions toggled, AlertOption clicked) {
    for (const AlertOption other : clearedByClick(clicked)) {
        optionValue(toggled, other) = false;
    }
    return toggled;
}

AlertChoice chooseAlert(const AlertOptions& options) {
    if (options.show) {
        return {.popup = true, .sound = false};
    }
    if (options.both) {
        return {.popup = true, .sound = true};
    }
    if (options.sound) {
        return {.popup = false, .sound = true};
    }
    return {};
}

} // namespace alerts::core
