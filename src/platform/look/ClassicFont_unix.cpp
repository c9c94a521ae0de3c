// SPDX-License-Identifier: MIT
// Elsewhere than on Windows the carried face and its bold serve as they are.
#include "platform/look/ClassicFont_p.h"

namespace alerts::platform {

QStringList systemFamilies(const QStringList& shared) {
    return shared;
}

void makeBoldLookBold(QFont& /*font*/, const QStringList& /*families*/) {}

} // namespace alerts::platform
