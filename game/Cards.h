// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The card model: card numbers 1..52, blocks of 13 per suit (hearts, clubs,
// diamonds, spades), ace first and king last in each block.
#pragma once

namespace Cards {

inline constexpr int Count = 52;
inline constexpr int BackPicture = 100;  // the card back
inline constexpr int TablePicture = 153; // the table tile

// Rank 1 (ace) .. 13 (king); also how the 1..13 count is shown.
constexpr int rank(int card)
{
    const int r = card % 13;
    return r == 0 ? 13 : r;
}

constexpr int pictureId(int card)
{
    return 100 + card;
}

// The 1-2-3 count at turn n: 1, 2, 3, 1, 2, 3, ...
constexpr int count123(int turn)
{
    return (turn - 1) % 3 + 1;
}

// The 1..13 count at turn n, as shown: 1 .. 13, 1 .. 13, ...
constexpr int count13(int turn)
{
    return rank(turn);
}

} // namespace Cards
