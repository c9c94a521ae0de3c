// SPDX-License-Identifier: MIT
#pragma once

// Shared by ClassicFont.cpp and its part for each system.

#include <QFont>
#include <QStringList>

namespace alerts::platform {

// The families the carried files hold: Liberation Sans as released, or the name
// the build gave the faces when it cut them down to what the windows can show.
const QStringList& carriedFamilies();

// The families a classic font asks for, given those that every system shares:
// the system's own face put first where it has one, and the list cut down to
// what its font database handles quickly.
QStringList systemFamilies(const QStringList& shared);

// A bold font drawn with a face whose bold looks bold on this system.
void makeBoldLookBold(QFont& font, const QStringList& families);

} // namespace alerts::platform
