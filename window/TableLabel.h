// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A text label of the table: a number in light green straight on the table,
// its box fitted to the text with the left and top edges kept.
#pragma once

#include <QLabel>

class TableLabel : public QLabel
{
    Q_OBJECT

public:
    // captionFormat and spokenFormat take the number as %1: what the label
    // shows, and what a screen reader says of it.
    TableLabel(const QString &captionFormat, const QString &spokenFormat, QWidget *parent);

    void setNumber(int number);

private:
    QString captionFormat_;
    QString spokenFormat_;
};
