// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "RandomSource.h"

#include <chrono>

void RandomSource::seed(std::uint64_t value)
{
    std::seed_seq seq{static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
    engine_.seed(seq);
}

void RandomSource::seedFromClock()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    seed(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

float RandomSource::next()
{
    return fromBits(static_cast<std::uint32_t>(engine_()));
}
