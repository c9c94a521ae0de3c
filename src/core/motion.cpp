// SPDX-License-Identifier: MIT
#include "motion.h"

#include "geometry.h"

namespace alerts::core {

namespace {
constexpr std::optional<bool> kLeave = std::nullopt;
constexpr std::optional<int> kStay = std::nullopt;
} // namespace

ParkingPlace parkingPlace(double screenRight, double screenBottom, double popupWidth) {
    return {.alertLeft = roundHalfEven(screenRight - popupWidth),
            .screenBottom = roundHalfEven(screenBottom)};
}

int riseStep(int top) {
    return top - kMotionStepTwips;
}

MotionOutcome riseSettled(int top, int height, int screenBottom) {
    const int restingTop = screenBottom - height;
    // Landing exactly on the resting place is not yet past it: the next step
    // overshoots and is clamped back within that tick.
    if (restingTop > top) {
        return {.top = restingTop, .timers = {.rise = false, .hold = true, .fall = kLeave}};
    }
    return {};
}

MotionOutcome holdTick() {
    return {.top = kStay, .timers = {.rise = kLeave, .hold = false, .fall = true}};
}

int fallStep(int top) {
    return top + kMotionStepTwips;
}

MotionOutcome fallSettled(int top, int screenBottom) {
    if (top >= screenBottom) {
        return {.top = screenBottom, .timers = {.rise = kLeave, .hold = kLeave, .fall = false}};
    }
    return {};
}

MotionOutcome dismiss(int screenBottom) {
    return {.top = screenBottom, .timers = {.rise = false, .hold = kLeave, .fall = false}};
}

std::optional<int> followScreen(int top, int height, const ParkingPlace& before,
                                const ParkingPlace& after, Glide glide) {
    switch (glide) {
    case Glide::None:
        return top >= before.screenBottom ? after.screenBottom : after.screenBottom - height;
    case Glide::Rising:
        if (top > after.screenBottom) {
            return after.screenBottom;
        }
        return kStay;
    case Glide::Falling:
        return kStay;
    }
    return kStay;
}

MotionOutcome announce() {
    return {.top = kStay, .timers = {.rise = true, .hold = false, .fall = false}};
}

} // namespace alerts::core
