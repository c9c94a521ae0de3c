// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace alerts::core {

// The popup glides in steps of this many twips, one step per tick.
inline constexpr int kMotionStepTwips = 30;

// Where the popup parks: its left edge, flush right, and the screen's bottom edge.
// Set by the load handling, and again whenever the screen changes size or place.
struct ParkingPlace {
    int alertLeft = 0;
    int screenBottom = 0;
    bool operator==(const ParkingPlace&) const = default;
};

// All in twips; the screen's right and bottom edges are its width and height
// when it starts at the origin. Rounds halves to even.
ParkingPlace parkingPlace(double screenRight, double screenBottom, double popupWidth);

// What a handler does to the popup's three timers; an empty entry leaves the timer alone.
struct TimerSwitches {
    std::optional<bool> rise; // Timer1
    std::optional<bool> hold; // Timer2
    std::optional<bool> fall; // Timer3
    bool operator==(const TimerSwitches&) const = default;
};

// The end of a handler: move the popup to `top` (if set), then switch the timers.
struct MotionOutcome {
    std::optional<int> top;
    TimerSwitches timers;
    bool operator==(const MotionOutcome&) const = default;
};

// The popup holds no position of its own. A rise or fall tick first moves the
// window one step from where it stands (riseStep / fallStep), then decides from
// the Top and Height read back from the window (riseSettled / fallSettled), so
// every tick starts from the window's actual place.

[[nodiscard]] int riseStep(int top);
// Past the resting place: clamp to it and start the hold.
[[nodiscard]] MotionOutcome riseSettled(int top, int height, int screenBottom);

// The hold's only tick ends it; the popup does not move.
[[nodiscard]] MotionOutcome holdTick();

[[nodiscard]] int fallStep(int top);
// At or past the bottom edge: clamp to it and stop.
[[nodiscard]] MotionOutcome fallSettled(int top, int screenBottom);

// A click: parked at once, motion stopped. A hold tick still pending stays pending.
[[nodiscard]] MotionOutcome dismiss(int screenBottom);

// Which of the two glides is under way, if any.
enum class Glide { None, Rising, Falling };

// The screen changed under the popup (a laptop taken off its dock, another
// resolution, another primary screen), from `before` to `after`; returns the Top
// to move to, if any. Standing still, the popup keeps its part: parked below the
// new bottom edge, or at rest in the new corner. A glide under way carries on and
// ends against the new edge, rising from no lower than just below it. Left moves
// to the new `alertLeft` in every case.
[[nodiscard]] std::optional<int> followScreen(int top, int height, const ParkingPlace& before,
                                              const ParkingPlace& after, Glide glide);

// A new announcement always takes over: a fall and a pending hold tick stop, and
// the rise goes on (or starts) from where the popup stands. The popup thus never
// has two motion timers fighting over it, and the newest text gets a full hold.
[[nodiscard]] MotionOutcome announce();

} // namespace alerts::core
