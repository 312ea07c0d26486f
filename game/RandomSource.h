// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The deal's random source: uniform single-precision values in [0, 1).
#pragma once

#include <cstdint>
#include <random>

class RandomSource
{
public:
    void seed(std::uint64_t value);
    // Seeds from the time of day, as every run should deal differently.
    void seedFromClock();
    // Built from 24 random bits, so the value is exactly representable and
    // always below 1 (a double narrowed to float could round up to 1.0).
    float next();
    // The value made from one raw 32-bit draw: its top 24 bits scaled by 2^-24.
    static constexpr float fromBits(std::uint32_t bits) { return static_cast<float>(bits >> 8) * 0x1p-24f; }

private:
    std::mt19937 engine_;
};
