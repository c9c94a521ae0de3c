// SPDX-License-Identifier: MIT
#include "platform/ProgramIcon.h"

namespace alerts::platform {

QIcon programIcon(bool enlargement) {
    QIcon icon(QStringLiteral(":/alerts/icon.png"));
    if (enlargement) {
        icon.addFile(QStringLiteral(":/alerts/icon-256.png"));
    }
    return icon;
}

} // namespace alerts::platform
