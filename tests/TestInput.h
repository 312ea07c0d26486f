// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Input as the platform delivers it, for tests that drive the window.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QtTest>

// One key press and its release.
inline void sendKey(QWidget *to, Qt::Key code, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false)
{
    QKeyEvent press(QEvent::KeyPress, code, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(to, &release);
}

// Mouse events in the middle of a widget, one per letter: p press, r
// release, d double-click (the platform's event for the second press of a
// double click, which comes with no press of its own).
inline void sendMouse(QWidget *on, const QString &events, Qt::MouseButton button)
{
    const QPoint at(on->width() / 2, on->height() / 2);
    for (const QChar event : events) {
        if (event == QLatin1Char('p'))
            QTest::mousePress(on, button, {}, at);
        else if (event == QLatin1Char('r'))
            QTest::mouseRelease(on, button, {}, at);
        else if (event == QLatin1Char('d'))
            QTest::mouseDClick(on, button, {}, at); // delivers the double-click event alone
    }
}
