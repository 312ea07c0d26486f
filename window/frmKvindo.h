// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The table window: the one window of the game. It holds the display
// elements, the menu bar, the state of the current deal and the procedures
// that play it. window/ builds the window and wires the input; game/ holds
// the members that are the rules.
#pragma once

#include "game/RandomSource.h"

#include <QMainWindow>

#include <array>
#include <cstdint>

class QAction;
class QMenu;
class PictureBox;
class TableLabel;
class Announcer;

class frmKvindo : public QMainWindow
{
    Q_OBJECT

public:
    // Boolean values of the deal state are 16 bits wide.
    static constexpr std::int16_t True = -1;
    static constexpr std::int16_t False = 0;

    explicit frmKvindo(QWidget *parent = nullptr);
    ~frmKvindo() override;

    // Start-up: seeds the random source, chooses the 1-2-3 count, deals and
    // shows the window. Called once, by main, after construction.
    void Form_Load();

    // Input handlers. None of their arguments is used.
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void imgBak_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void imgBak_DblClick();
    void mnuBörja_Click();
    void mnuLjud_Click();
    void mnuAvsluta_Click();
    // Chooses counting version Index (1 the 1-2-3 count, 2 the 1..13 count,
    // 3 both) from the next turn on.
    void Ver_Click(std::int16_t Index);

signals:
    // The window has painted its first frame after Form_Load.
    void firstFramePainted();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wireInput();
    // Tells a screen reader what a press on the deck did: the card it turned
    // (newCard), or that the deal is over.
    void announce(bool newCard);
    // Draws the card the next turn shows, and lets every other drawing go.
    void drawNextCardAhead();
    // Centres the window with its frame, once a window manager has framed it.
    void centreFrame();

    // Deals a new shuffled deck and turns its first card.
    void NewDeal();
    // Turns the next card, checks it against the count and requests the sound cue.
    void TurnCard();
    // Slot s of the deck (0..52), checked; the slot is taken from a whole double.
    double &Deck(double slot);
    // Menu item Ver(index), index 1..3, checked.
    QAction *Ver(double index) const;

    // Display elements, bottom of the stack first.
    PictureBox *Image1;   // the table, stretched beyond the client area
    TableLabel *Label1;   // above the deck: the 1-2-3 count
    PictureBox *imgFram;  // the face-up card
    PictureBox *imgBak;   // the deck; the only element that takes mouse input
    TableLabel *Label2;   // under the deck: cards turned, in parentheses
    TableLabel *Label3;   // under the face-up card: its rank
    TableLabel *Label4;   // above the face-up card: the 1..13 count
    Announcer *announcer; // says each turn to a screen reader; nothing on screen

    QMenu *mnuMeny;
    QAction *mnuBörja;
    QAction *mnuLjud; // its check mark is the sound switch
    QAction *mnuTomt;
    QAction *mnuAvsluta;
    QMenu *mnuVersion;
    std::array<QAction *, 3> VerItems{}; // Ver(1)..Ver(3)

    // The current deal.
    double DealIndex = 0;   // loop variable of the placing loop, and of Ver_Click
    double DrawSlot = 0;    // loop variable of the clearing loop, then the slot drawn
    double TurnedCount = 0; // cards face up: 0..52, the turning position of the face-up card
    std::int16_t GameOver = False;
    std::uint8_t CountVersion = 0;      // 0 none yet, else 1..3
    std::array<double, 53> DeckSlots{}; // slot s holds the card turned s-th; slot 0 stays 0

    RandomSource Rnd;
    QString AppPath;            // the program's directory, no trailing separator
    bool centringFrame = false; // from start-up until the frame is known, or a moment later
    bool drawingAhead = false;  // a drawing of the next card is queued

    friend class KvindoTestAccess;
};
