// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace alerts::platform {

// The small sans-serif face every window uses: MS Sans Serif 8.25 pt where it
// exists, otherwise the closest face with similar metrics.
QFont classicFont(bool bold = false);

} // namespace alerts::platform
