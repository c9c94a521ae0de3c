// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace alerts::core {

// The About window's credits ticker. It keeps no counter: the label's caption is
// its whole state, and each tick derives the next frame from that caption alone.

inline constexpr std::u16string_view kCreditsLine = u"Brought to you by Korvel and Tandrike --";
// Each address has to fit the ticker label's width on one line.
inline constexpr std::u16string_view kProjectAddress = u"https://zarq.example/";
inline constexpr std::u16string_view kSecondAddress = u"https://www.qt.io/";

// Frames 0 to 34 are prefixes of the credits line of these lengths; the typewriter
// skips a few lengths (5, 25, 29, 37 to 39). Frame 35 is the final text.
inline constexpr std::array<std::size_t, 35> kTickerPrefixLengths{
    0,  1,  2,  3,  4,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
    19, 20, 21, 22, 23, 24, 26, 27, 28, 30, 31, 32, 33, 34, 35, 36, 40};

inline constexpr int kTickerLastFrame = 35;

// Frame `index` (0 to 35) of the chain.
std::u16string tickerFrame(int index);

struct TickerStep {
    std::u16string caption; // the frame that follows
    bool last = false;      // the caption is the final frame: the ticker stops
};

// One tick: the frame after `caption`, or nothing for a caption that is no frame
// of 0 to 34 (it stays as it is and the ticker keeps running).
std::optional<TickerStep> tickerStep(std::u16string_view caption);

} // namespace alerts::core
