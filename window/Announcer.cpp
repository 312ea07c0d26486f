// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "Announcer.h"

#include <QAccessible>
#include <QWidget>

Announcer::Announcer(QWidget *window)
    : QObject(window)
{
    // Side by side: a screen reader takes two elements of the same kind,
    // name and place for one, and would not repeat a text said twice.
    for (std::size_t i = 0; i < speakers.size(); ++i) {
        // A plain element: it paints nothing and takes no mouse input; a
        // screen reader knows it as a "filler", whose kind it does not say.
        auto *speaker = new QWidget(window);
        speaker->setObjectName(QStringLiteral("Utrop"));
        speaker->setAttribute(Qt::WA_TransparentForMouseEvents);
        // Focusable, as a screen reader expects of what has the focus, but
        // neither by Tab (every key turns a card) nor by a click.
        speaker->setFocusPolicy(Qt::ClickFocus);
        speaker->setGeometry(static_cast<int>(i), 0, 1, 1);
        speakers[i] = speaker;
    }
    QAccessible::installActivationObserver(this);
}

Announcer::~Announcer()
{
    QAccessible::removeActivationObserver(this);
}

void Announcer::accessibilityActiveChanged(bool active)
{
    if (active && onListened)
        onListened();
}

void Announcer::say(const QString &text)
{
    if (!listened())
        return;
    QWidget *speaker = speakers[static_cast<std::size_t>(next)];
    next = 1 - next;
    speaker->setAccessibleName(text);
    speaker->setFocus(Qt::OtherFocusReason);
}

QString Announcer::said() const
{
    return speakers[static_cast<std::size_t>(1 - next)]->accessibleName();
}
