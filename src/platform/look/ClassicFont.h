// SPDX-License-Identifier: MIT
// platform/look: the windows' font and icon, and what screen readers are told of them.
#pragma once

#include <QFont>

namespace alerts::platform {

// The face the windows are laid out in. The program carries it (Liberation Sans,
// regular and bold) so that every caption fits its control whatever fonts the
// machine has; on Windows the system's own MS Sans Serif still comes first.
// Registers the carried face on first use; call it before any window exists.
void loadClassicFont();

// The small sans-serif face every window uses, at 8.25 pt. Bold on Windows, where
// neither the system's face nor the carried one draws a bold that looks bold
// (under Wine), it is the dialogs' Tahoma.
QFont classicFont(bool bold = false);

} // namespace alerts::platform
