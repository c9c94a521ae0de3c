// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace alerts::core {

// Connecting to a name with several addresses, as RFC 8305 ("Happy Eyeballs")
// has it: one path that silently drops packets (broken IPv6 is common) must not
// hold up the others until the watchdog starts the same doomed attempt again.

enum class AddressFamily { IPv4, IPv6 };

// The order in which to try the resolver's addresses: its own preference kept
// within each family, the families alternating, starting with the family of its
// first address. Gives indices into `families`.
std::vector<std::size_t> attemptOrder(std::span<const AddressFamily> families);

// How long an attempt has to itself before the next one starts beside it.
inline constexpr std::chrono::milliseconds kAttemptDelay{250};

// Which attempt to start, and when: the first at once, each further one when the
// attempt delay runs out or at once when an attempt fails. Attempts that were
// started are left running until one connects. Attempts are numbered in the
// order they are started.
class ConnectionRace final {
public:
    explicit ConnectionRace(std::size_t attempts = 0) : m_count(attempts) {}

    // The first attempt to start, if there is any address at all.
    std::optional<std::size_t> start() { return next(); }
    // The attempt delay ran out without a connection.
    std::optional<std::size_t> delayElapsed() { return next(); }
    // A started attempt failed; repeated or unknown reports change nothing.
    std::optional<std::size_t> attemptFailed(std::size_t attempt);

    // Whether an attempt is left to start: the delay is timed only then.
    [[nodiscard]] bool moreToStart() const { return m_started < m_count; }
    // Every attempt has been started and has failed.
    [[nodiscard]] bool lost() const { return m_count > 0 && m_failed.size() == m_count; }

private:
    std::optional<std::size_t> next();

    std::size_t m_count;
    std::size_t m_started = 0;
    std::vector<std::size_t> m_failed;
};

} // namespace alerts::core
