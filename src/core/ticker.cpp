// SPDX-License-Identifier: MIT
#include "core/ticker.h"

#include <algorithm>

namespace alerts::core {

std::u16string tickerFrame(int index) {
    if (index >= kTickerLastFrame) {
        std::u16string text(kCreditsLine);
        text.append(u"\r\n").append(kProjectAddress).append(u"\r\n").append(kSecondAddress);
        return text;
    }
    const auto at = static_cast<std::size_t>(std::max(index, 0));
    return std::u16string(kCreditsLine.substr(0, kTickerPrefixLengths.at(at)));
}

std::optional<TickerStep> tickerStep(std::u16string_view caption) {
    // Only a prefix of the credits line of one of the chain's lengths is a frame.
    if (caption.size() > kCreditsLine.size() || !kCreditsLine.starts_with(caption)) {
        return std::nullopt;
    }
    const auto* const found =
        std::find(kTickerPrefixLengths.begin(), kTickerPrefixLengths.end(), caption.size());
    if (found == kTickerPrefixLengths.end()) {
        return std::nullopt;
    }
    const int next = static_cast<int>(found - kTickerPrefixLengths.begin()) + 1;
    return TickerStep{tickerFrame(next), next == kTickerLastFrame};
}

} // namespace alerts::core
