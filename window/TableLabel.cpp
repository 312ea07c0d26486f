// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "TableLabel.h"

#include "Twips.h"

#include <QFontDatabase>

namespace {

// The labels' font is Comic Sans MS. Where it is not installed, fontconfig
// stands Comic Neue in for it; naming that font straight away spares Qt a
// search through every fallback font while the window is first laid out.
QString labelFamily()
{
    static const QString family = [] {
        const QString wanted = QStringLiteral("Comic Sans MS");
        const QString standIn = QStringLiteral("Comic Neue");
        const QStringList installed = QFontDatabase::families();
        if (!installed.contains(wanted, Qt::CaseInsensitive) && installed.contains(standIn, Qt::CaseInsensitive))
            return standIn;
        return wanted;
    }();
    return family;
}

} // namespace

TableLabel::TableLabel(const QString &captionFormat, const QString &spokenFormat, QWidget *parent)
    : QLabel(QStringLiteral("0"), parent)
    , captionFormat_(captionFormat)
    , spokenFormat_(spokenFormat)
{
    QFont font(labelFamily());
    font.setPixelSize(qRound(Twips::pointsToPixels(21.75)));
    font.setWeight(QFont::Normal);
    setFont(font);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, QColor(192, 255, 192));
    setPalette(palette);
    setAutoFillBackground(false);
    setAlignment(Qt::AlignCenter);
    setAccessibleName(spokenFormat_.arg(0));
}

void TableLabel::setNumber(int number)
{
    const QString caption = captionFormat_.arg(number);
    if (caption == text())
        return;
    setText(caption);
    adjustSize();
    setAccessibleName(spokenFormat_.arg(number));
}
