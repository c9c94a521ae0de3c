// SPDX-License-Identifier: MIT
#include "assembly.h"

#include "record.h"

namespace alerts::core {

std::optional<std::string> RecordAssembler::arrive(std::string_view bytes, Clock::time_point now) {
    std::string text;
    if (!m_kept.empty() && now - m_keptAt <= kKeepFor) {
        text = std::move(m_kept);
    }
    m_kept.clear();
    text.append(bytes);

    if (countFields(text) >= kMinimumFields) {
        return text;
    }
    if (!text.empty() && text.size() < kMaxKeptBytes) {
        m_kept = std::move(text);
        m_keptAt = now;
    }
    return std::nullopt;
}

} // namespace alerts::core
