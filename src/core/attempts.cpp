// SPDX-License-Identifier: MIT
#include "core/attempts.h"

#include <algorithm>

namespace alerts::core {

std::vector<std::size_t> attemptOrder(std::span<const AddressFamily> families) {
    std::vector<std::size_t> first;
    std::vector<std::size_t> other;
    for (std::size_t i = 0; i < families.size(); ++i) {
        (families[i] == families.front() ? first : other).push_back(i);
    }
    std::vector<std::size_t> order;
    order.reserve(families.size());
    for (std::size_t i = 0; i < std::max(first.size(), other.size()); ++i) {
        if (i < first.size()) {
            order.push_back(first[i]);
        }
        if (i < other.size()) {
            order.push_back(other[i]);
        }
    }
    return order;
}

std::optional<std::size_t> ConnectionRace::attemptFailed(std::size_t attempt) {
    if (attempt >= m_started || std::ranges::find(m_failed, attempt) != m_failed.end()) {
        return std::nullopt;
    }
    m_failed.push_back(attempt);
    return next();
}

std::optional<std::size_t> ConnectionRace::next() {
    if (!moreToStart()) {
        return std::nullopt;
    }
    return m_started++;
}

} // namespace alerts::core
