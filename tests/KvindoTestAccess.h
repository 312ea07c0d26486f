// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The tests' one way into the window's private state: read the deal, rig a
// deck, call the private procedures.
#pragma once

#include "window/Announcer.h"
#include "window/PictureBox.h"
#include "window/TableLabel.h"
#include "window/frmKvindo.h"

#include <QAction>
#include <QLabel>

#include <array>

class KvindoTestAccess
{
public:
    explicit KvindoTestAccess(frmKvindo &form)
        : f(form)
    { }

    double turnedCount() const { return f.TurnedCount; }
    std::int16_t gameOver() const { return f.GameOver; }
    int countVersion() const { return f.CountVersion; }
    const std::array<double, 53> &deck() const { return f.DeckSlots; }
    int card(int slot) const { return static_cast<int>(f.DeckSlots.at(static_cast<std::size_t>(slot))); }

    // Puts cards (turning order) in slots 1..52 and starts the deal over
    // with no card turned, as NewDeal leaves it before its first turn.
    void rig(const std::array<int, 52> &cards)
    {
        for (std::size_t i = 0; i < cards.size(); ++i)
            f.DeckSlots[i + 1] = cards[i];
        f.TurnedCount = 0;
        f.GameOver = frmKvindo::False;
    }
    void seed(std::uint64_t value) { f.Rnd.seed(value); }
    void setProgramDir(const QString &dir) { f.AppPath = dir; }

    void turnCard() { f.TurnCard(); }
    // What a screen reader was given last, once one listens (or is pretended to).
    void listenAsAScreenReader() { f.announcer->pretendListenedTo(); }
    QString said() const { return f.announcer->said(); }
    void newDeal() { f.NewDeal(); }

    QLabel *label(int n) const
    {
        return std::array{f.Label1, f.Label2, f.Label3, f.Label4}.at(static_cast<std::size_t>(n - 1));
    }
    QAction *ver(int index) const { return f.Ver(index); }
    QAction *ljud() const { return f.mnuLjud; }

private:
    frmKvindo &f;
};
