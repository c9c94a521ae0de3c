// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>

namespace alerts::platform {

// The program's icon: the 32 x 32 picture, and its 256 px enlargement for every
// place that draws it larger (a scaled screen, a task switcher, a large tray).
// Without the enlargement it is the 32 x 32 picture alone.
QIcon programIcon(bool enlargement = true);

} // namespace alerts::platform
