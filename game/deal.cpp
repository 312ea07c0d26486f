// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The rules of the game: the deal, the turn and the counting versions.

#include "game/Cards.h"
#include "game/RuntimeError.h"
#include "sound/modLjud.h"
#include "window/PictureBox.h"
#include "window/TableLabel.h"
#include "window/frmKvindo.h"

#include <QAction>

#include <cmath>

double &frmKvindo::Deck(double slot)
{
    // Slots are whole numbers kept in doubles; rounding to nearest (ties to
    // even) never changes them, and anything outside 0..52 is a fault.
    const double s = std::nearbyint(slot);
    if (!(s >= 0 && s < static_cast<double>(DeckSlots.size())))
        fatalRuntimeError(QStringLiteral("deck slot %1 out of range").arg(slot));
    return DeckSlots[static_cast<std::size_t>(s)];
}

QAction *frmKvindo::Ver(double index) const
{
    const double i = std::nearbyint(index);
    if (!(i >= 1 && i <= static_cast<double>(VerItems.size())))
        fatalRuntimeError(QStringLiteral("version item %1 out of range").arg(index));
    return VerItems[static_cast<std::size_t>(i) - 1];
}

void frmKvindo::NewDeal()
{
    for (DrawSlot = 1; DrawSlot <= 52; DrawSlot += 1)
        Deck(DrawSlot) = 0;

    // Card k goes to a slot drawn uniformly among the empty ones, which makes
    // the deck a uniformly random permutation.
    for (DealIndex = 1; DealIndex <= 52; DealIndex += 1) {
        do {
            const float r = Rnd.next();
            DrawSlot = std::floor(static_cast<double>(r) * 52 + 1);
        } while (Deck(DrawSlot) != 0);
        Deck(DrawSlot) = DealIndex;
    }

    Label1->hide();
    Label4->hide();
    TurnedCount = 0;
    GameOver = False;
    TurnCard();
}

void frmKvindo::TurnCard()
{
    if (GameOver == True) {
        announce(false);
        return;
    }

    // Once all 52 cards are out without a match the deal has come through:
    // later turns show the counts again but never re-check card 52.
    const bool turned = TurnedCount < 52;
    if (turned) {
        TurnedCount += 1;
        const int n = static_cast<int>(TurnedCount);
        const int c = static_cast<int>(Deck(TurnedCount));
        Label1->setNumber(Cards::count123(n));
        Label2->setNumber(n); // shown in parentheses
        Label2->show();
        Label3->setNumber(Cards::rank(c));
        Label3->show();
        Label4->setNumber(Cards::count13(n));
        imgFram->setPicture(Cards::pictureId(c));
        imgFram->show();
    }

    const int n = static_cast<int>(TurnedCount);
    const int c = static_cast<int>(Deck(TurnedCount));
    // The 1-2-3 count meets c mod 13 (0..12), so a king never loses there;
    // the 1..13 count is taken mod 13 too, so 13 meets a king.
    const bool match123 = turned && Cards::count123(n) == c % 13;
    const bool match13 = turned && n % 13 == c % 13;
    switch (CountVersion) {
    case 1:
        if (match123)
            GameOver = True;
        Label1->show();
        break;
    case 2:
        if (match13)
            GameOver = True;
        Label4->show();
        break;
    case 3:
        if (match123)
            GameOver = True;
        Label1->show();
        if (match13)
            GameOver = True;
        Label4->show();
        break;
    default:
        break;
    }

    announce(turned);

    if (mnuLjud->isChecked()) {
        const QString cue = AppPath + (GameOver == True ? QStringLiteral("/Doh.wav") : QStringLiteral("/Yes.wav"));
        modLjud::SoundResult = modLjud::toSoundResult(
            modLjud::PlaySoundA(cue.toLocal8Bit().constData(), 0, modLjud::SND_ASYNC | modLjud::SND_NODEFAULT));
    }
}

void frmKvindo::Ver_Click(std::int16_t Index)
{
    Label1->hide();
    Label4->hide();
    for (DealIndex = 1; DealIndex <= 3; DealIndex += 1)
        Ver(DealIndex)->setChecked(false);
    Ver(Index)->setChecked(true);
    CountVersion = static_cast<std::uint8_t>(Index);
}
