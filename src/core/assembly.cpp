// SPDX-License-Identifier: MIT
#include "assembly.h"

#include <algorithm>

namespace alerts::core {

namespace {

// Appends the runs between markers whole, up to `limit` bytes in all.
void appendCleaned(std::string& field, std::string_view bytes, char marker, std::size_t limit) {
    while (!bytes.empty() && field.size() < limit) {
        const std::size_t end = bytes.find(marker);
        field.append(bytes.substr(0, std::min(end, limit - field.size())));
        if (end == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(end + 1);
    }
}

} // namespace

std::optional<TournamentRecord> RecordAssembler::arrive(std::string_view bytes,
                                                        Clock::time_point now) {
    if (m_pending && now - m_lastArrival > kKeepFor) {
        reset();
    }
    m_lastArrival = now;

    // Fields 1, 2 and 4 are read; anything after the fifth delimiter is not.
    while (!bytes.empty() && m_field < kMinimumFields) {
        const std::size_t end = bytes.find(kFieldDelimiter);
        const std::string_view piece = bytes.substr(0, end);
        switch (m_field) {
        case 1:
            appendCleaned(m_record.kind, piece, kKindMarker, kMaxFieldBytes);
            break;
        case 2:
            appendCleaned(m_record.starter, piece, kStarterMarker, kMaxFieldBytes);
            break;
        case 4:
            appendCleaned(m_record.place, piece, kPlaceMarker, kMaxFieldBytes);
            break;
        default:
            break;
        }
        m_pending = true;
        if (end == std::string_view::npos) {
            break;
        }
        ++m_field;
        bytes.remove_prefix(end + 1);
    }

    if (m_field + 1 < kMinimumFields) {
        return std::nullopt; // fewer than five fields so far: wait for more
    }
    TournamentRecord record = std::move(m_record);
    reset();
    return record;
}

std::size_t RecordAssembler::keptBytes() const {
    return m_record.kind.size() + m_record.starter.size() + m_record.place.size();
}

void RecordAssembler::reset() {
    m_field = 0;
    m_pending = false;
    m_record = {};
}

} // namespace alerts::core
