// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace alerts::core {

// TCP may hand one record over in two reads. A text too short to be a record
// (fewer than five fields) is kept and put in front of the next arrival, if that
// comes soon enough; a text of five fields or more is handled at once.
class RecordAssembler final {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kKeepFor{2000};
    static constexpr std::size_t kMaxKeptBytes = 64 * 1024;

    // The text to handle now, or nothing while it waits for the rest.
    std::optional<std::string> arrive(std::string_view bytes, Clock::time_point now);

    [[nodiscard]] std::size_t keptBytes() const { return m_kept.size(); }

private:
    std::string m_kept;
    Clock::time_point m_keptAt{};
};

} // namespace alerts::core
