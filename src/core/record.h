// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace alerts::core {

// Wire bytes, Windows-1252.
inline constexpr char kFieldDelimiter = '\xB3'; // superscript three
inline constexpr char kKindMarker = '\xC9';     // E acute
inline constexpr char kStarterMarker = '\xE7';  // c cedilla
inline constexpr char kPlaceMarker = '\xFA';    // u acute

// A record needs fields 0 to 4; field 4 is the last one read.
inline constexpr std::size_t kMinimumFields = 5;

// The cleaned fields, still Windows-1252 bytes.
struct TournamentRecord {
    std::string kind;
    std::string starter;
    std::string place;

    bool operator==(const TournamentRecord&) const = default;
};

// Splits at every delimiter and cleans fields 1, 2 and 4; nothing for a text
// of fewer than five fields.
std::optional<TournamentRecord> parseRecord(std::string_view text);

// starter + " started a new " + kind + " tournament" + " on " + place, as bytes.
std::string composeAnnouncement(const TournamentRecord& record);

} // namespace alerts::core
