// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Small statistics and output helpers shared by the benchmark programs.
// Every program prints its figures as lines "RESULT <key> <value>" on
// standard output; bench/run.sh collects them into the table.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace bench {

inline double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The q-quantile (0..1) of values, by linear interpolation; 0 for none.
inline double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const auto lo = static_cast<std::size_t>(std::floor(at));
    const auto hi = static_cast<std::size_t>(std::ceil(at));
    return values[lo] + (values[hi] - values[lo]) * (at - static_cast<double>(lo));
}

inline double median(const std::vector<double> &values)
{
    return quantile(values, 0.5);
}

inline double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

inline double minimum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

inline void result(const char *key, double value)
{
    std::printf("RESULT %s %.6g\n", key, value);
    std::fflush(stdout);
}

} // namespace bench
