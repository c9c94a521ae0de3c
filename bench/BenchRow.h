// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace alerts::bench {

// Which way a figure is good: the table's summary needs it to tell the worst one.
enum class Better { Higher, Lower, Nominal };

// One line of the table, handed to scripts/bench as tab-separated fields.
inline void printRow(const std::string& figure, double ours, double baseline,
                     const std::string& unit, Better better) {
    const char* way = better == Better::Higher  ? "higher"
                      : better == Better::Lower ? "lower"
                                                : "nominal";
    std::printf("row\t%s\t%.6g\t%.6g\t%s\t%s\n", figure.c_str(), ours, baseline, unit.c_str(), way);
    std::fflush(stdout);
}

// The value below which the given fraction of the samples lies (nearest rank).
inline double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(fraction * static_cast<double>(samples.size()));
    const auto index = static_cast<std::size_t>(std::max(rank, 1.0)) - 1;
    return samples[std::min(index, samples.size() - 1)];
}

} // namespace alerts::bench
