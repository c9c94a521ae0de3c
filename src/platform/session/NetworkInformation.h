// SPDX-License-Identifier: MIT
#pragma once

class QNetworkInformation;

namespace alerts::platform {

// The system's own report of whether the network is reachable (NetworkManager on
// Linux, the Network List Manager on Windows, SystemConfiguration on macOS), or
// nullptr where there is none.
QNetworkInformation* networkInformation();

} // namespace alerts::platform
