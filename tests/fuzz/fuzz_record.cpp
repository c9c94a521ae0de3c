// SPDX-License-Identifier: MIT
// Decode, assembly, parsing and line composition over arbitrary bytes cut into
// arbitrary arrivals. The first byte of the input chooses the cuts.
#include "core/assembly.h"
#include "core/codepage.h"
#include "core/record.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace alerts::core;

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string capped(std::string field) {
    if (field.size() > RecordAssembler::kMaxFieldBytes) {
        field.resize(RecordAssembler::kMaxFieldBytes);
    }
    return field;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned step = 1u + data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    // Whole, the assembler agrees with parsing the text at once.
    if (const auto whole = parseRecord(bytes)) {
        RecordAssembler assembler;
        const auto read = assembler.arrive(bytes, {});
        check(read.has_value());
        check(read->kind == capped(whole->kind));
        check(read->starter == capped(whole->starter));
        check(read->place == capped(whole->place));
        const std::string line = composeAnnouncement(*whole);
        check(decodeWindows1252(line).size() == line.size());
    }

    // Cut into arrivals, memory stays bounded and every record composes.
    RecordAssembler assembler;
    const RecordAssembler::Clock::time_point start{};
    std::size_t arrival = 0;
    for (std::size_t at = 0; at < bytes.size(); at += step, ++arrival) {
        const auto now = start + std::chrono::milliseconds(arrival * (data[0] % 3 == 0 ? 700 : 5));
        if (const auto record = assembler.arrive(bytes.substr(at, step), now)) {
            const std::string line = composeAnnouncement(*record);
            check(line.size() <= 3 * RecordAssembler::kMaxFieldBytes + 30);
        }
        check(assembler.keptBytes() <= 3 * RecordAssembler::kMaxFieldBytes);
    }
    return 0;
}
