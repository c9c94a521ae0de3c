// SPDX-License-Identifier: MIT
#include "platform/session/NetworkInformation.h"

#include <QNetworkInformation>

namespace alerts::platform {

// Qt's other Linux backend, GLib's, is left out: following the routing table
// alone (no NetworkManager) it reports the state at start and never a change.
QNetworkInformation* networkInformation() {
    if (!QNetworkInformation::instance() && !QNetworkInformation::loadDefaultBackend()) {
        return nullptr;
    }
    QNetworkInformation* information = QNetworkInformation::instance();
    return information->supports(QNetworkInformation::Feature::Reachability) ? information
                                                                             : nullptr;
}

} // namespace alerts::platform
