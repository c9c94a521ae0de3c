// SPDX-License-Identifier: MIT
#include "platform/ProgramIcon.h"

namespace alerts::platform {

QIcon programIcon() {
    QIcon icon(QStringLiteral(":/alerts/icon.png"));
    icon.addFile(QStringLiteral(":/alerts/icon-256.png"));
    return icon;
}

} // namespace alerts::platform
