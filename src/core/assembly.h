// SPDX-License-Identifier: MIT
#pragma once

#include "record.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

namespace alerts::core {

// Reads records from the arrivals of a byte stream that has no framing: each
// arrival holding five fields or more (with whatever was kept before it) is one
// record. TCP may hand one record over in several reads, so an arrival too
// short to be a record is kept and joined with the next, if that comes within
// kKeepFor of it.
//
// The fields are cleaned as the bytes come in and each keeps only its first
// kMaxFieldBytes, more than the popup can show, so a record of any length is
// read in one pass with bounded memory and still announced, and its tail is
// never mistaken for the head of the next record.
class RecordAssembler final {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kKeepFor{2000};
    static constexpr std::size_t kMaxFieldBytes = 1024;

    // The record this arrival completes, or nothing while it waits for the rest.
    std::optional<TournamentRecord> arrive(std::string_view bytes, Clock::time_point now);

    // Bytes held between arrivals.
    [[nodiscard]] std::size_t keptBytes() const;

private:
    void reset();

    std::size_t m_field = 0; // index of the field being read
    bool m_pending = false;  // some of a record has arrived
    TournamentRecord m_record;
    Clock::time_point m_lastArrival{};
};

} // namespace alerts::core
