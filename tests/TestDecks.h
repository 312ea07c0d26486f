// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Decks for rigging deals in tests.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <vector>

// Whether card loses at turn under counting version 1, 2 or 3.
inline bool matchesAt(int version, int turn, int card)
{
    const bool by123 = (turn - 1) % 3 + 1 == card % 13;
    const bool by13 = turn % 13 == card % 13;
    return (version != 2 && by123) || (version != 1 && by13);
}

// A deck with the given cards at the given turns (1-based) and no match
// under any version anywhere else.
inline std::array<int, 52> deckWith(const std::map<int, int> &fixed)
{
    std::vector<int> freeCards;
    std::vector<int> freeTurns;
    for (int card = 1; card <= 52; ++card) {
        if (std::none_of(fixed.begin(), fixed.end(), [card](const auto &p) { return p.second == card; }))
            freeCards.push_back(card);
    }
    for (int turn = 1; turn <= 52; ++turn) {
        if (!fixed.count(turn))
            freeTurns.push_back(turn);
    }
    std::mt19937 engine(7);
    for (;;) {
        std::shuffle(freeCards.begin(), freeCards.end(), engine);
        bool safe = true;
        for (std::size_t i = 0; i < freeTurns.size() && safe; ++i)
            safe = !matchesAt(3, freeTurns[i], freeCards[i]);
        if (!safe)
            continue;
        std::array<int, 52> deck{};
        for (std::size_t i = 0; i < freeTurns.size(); ++i)
            deck[static_cast<std::size_t>(freeTurns[i] - 1)] = freeCards[i];
        for (const auto &[turn, card] : fixed)
            deck[static_cast<std::size_t>(turn - 1)] = card;
        return deck;
    }
}
