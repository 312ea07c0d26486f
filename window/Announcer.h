// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Says a text through the screen reader, where one is running. Screen
// readers speak what takes the keyboard focus, reliably; a changed name of
// the element that has it, or of any other, they may not speak at all. So
// the announcer has two elements that show nothing, beneath everything in
// the window, and gives the focus to the one not holding it, named after the
// text. Keys still reach the window, which takes them all.
#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

class QWidget;

class Announcer : public QObject, private QAccessible::ActivationObserver
{
public:
    // The elements become children of window, at the bottom of its stack:
    // create the announcer before the window's other children.
    explicit Announcer(QWidget *window);
    ~Announcer() override;

    // Called when a screen reader starts listening (at start-up this comes
    // only after the first deal): a chance to say where the game stands.
    void whenListened(std::function<void()> call) { onListened = std::move(call); }

    // Whether a screen reader is listening (or tests pretend one is).
    bool listened() const { return pretendListened || QAccessible::isActive(); }
    void pretendListenedTo() { pretendListened = true; } // tests

    // Does nothing unless listened(): gives the text to the screen reader.
    void say(const QString &text);

    // The text said last, or empty (tests).
    QString said() const;

private:
    void accessibilityActiveChanged(bool active) override;

    std::array<QWidget *, 2> speakers{};
    std::function<void()> onListened;
    bool pretendListened = false;
    int next = 0; // the speaker that takes the focus next
};
