// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// A picture element of the table: shows one picture of the set, drawn from
// its vector source at the screen's resolution. Unstretched, it takes the
// picture's own size; stretched, it fills its box.
#pragma once

#include <QWidget>

#include <memory>

class QSvgRenderer;

class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);
    ~PictureBox() override;

    void setStretch(bool stretch);

    // Loads picture id; a picture that cannot be loaded is a fatal error.
    // Unless the box has a name of its own, a screen reader names it after
    // its picture.
    void setPicture(int id);
    int pictureId() const { return pictureId_; } // 0 while it shows none

    // A box that takes presses; a screen reader offers it as a button whose
    // press is a mouse press.
    void setClickable(bool clickable) { clickable_ = clickable; }
    bool clickable() const { return clickable_; }

signals:
    // Any mouse button pressed on the picture (the first press of a double click too).
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF position);
    // The second press of a left-button double click, which brings no mouseDown.
    void dblClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int pictureId_ = 0;
    QSize pictureSize_;                       // the picture's own size
    std::unique_ptr<QSvgRenderer> stretched_; // the source of a stretched picture
    bool stretch_ = false;
    bool clickable_ = false;
};
