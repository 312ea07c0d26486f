// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// What a screen reader says after each press on the deck: the game in words,
// for a player who cannot see the table.
#pragma once

#include <QString>

namespace Announcement {

// The state of the deal right after a press.
struct Turn
{
    int turned = 0;       // cards turned so far, 1..52
    int card = 0;         // the card last turned, 1..52
    int version = 1;      // the counting version in force: 1, 2 or 3 (both)
    bool newCard = false; // this press turned a card (not a press on a deal that is over)
    bool lost = false;    // the deal is lost
};

// "Hjärter ess, räkning 1"; "Spader kung, räkning 2 och 13, given är
// förlorad"; for a press on a deal that is over, that state again with how
// to deal anew.
QString text(const Turn &turn);

} // namespace Announcement
