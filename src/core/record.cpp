// SPDX-License-Identifier: MIT
#include "record.h"

#include <algorithm>
#include <array>

namespace alerts::core {

namespace {

std::string withoutMarker(std::string_view field, char marker) {
    std::string cleaned;
    cleaned.reserve(field.size());
    std::copy_if(field.begin(), field.end(), std::back_inserter(cleaned),
                 [marker](char c) { return c != marker; });
    return cleaned;
}

} // namespace

std::optional<TournamentRecord> parseRecord(std::string_view text) {
    // Only fields 0 to 4 matter; whatever follows the fifth delimiter is never looked at.
    std::array<std::string_view, kMinimumFields> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < kMinimumFields; ++i) {
        const std::size_t end = text.find(kFieldDelimiter, start);
        if (end == std::string_view::npos) {
            if (i + 1 < kMinimumFields) {
                return std::nullopt;
            }
            fields[i] = text.substr(start);
            break;
        }
        fields[i] = text.substr(start, end - start);
        start = end + 1;
    }
    return TournamentRecord{
        .kind = withoutMarker(fields[1], kKindMarker),
        .starter = withoutMarker(fields[2], kStarterMarker),
        .place = withoutMarker(fields[4], kPlaceMarker),
    };
}

std::string composeAnnouncement(const TournamentRecord& record) {
    std::string line;
    line.reserve(record.starter.size() + record.kind.size() + record.place.size() + 30);
    line += record.starter;
    line += " started a new ";
    line += record.kind;
    line += " tournament";
    line += " on ";
    line += record.place;
    return line;
}

} // namespace alerts::core
