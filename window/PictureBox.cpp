#include "PictureBox.h"

#include "game/Pictures.h"
#include "game/RuntimeError.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
}

void PictureBox::setStretch(bool stretch)
{
    stretch_ = stretch;
    update();
}

void PictureBox::setPicture(int id)
{
    const QSize size = Pictures::size(id);
    if (size.isEmpty())
        fatalRuntimeError(QStringLiteral("picture %1 cannot be loaded").arg(id));
    pictureId_ = id;
    pictureSize_ = size;
    if (!stretch_)
        resize(size);
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (!pictureId_)
        return;
    // Drawn from the vector source at the screen's resolution, so the
    // picture stays sharp at any scale.
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), Pictures::drawn(pictureId_, stretch_ ? size() : pictureSize_, devicePixelRatioF()));
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    emit mouseDown(event->button(), event->modifiers(), event->position());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The platform sends press, release, double-click, release for a double
    // click: the double-click event stands for the second press.
    if (event->button() == Qt::LeftButton)
        emit dblClick();
    else
        emit mouseDown(event->button(), event->modifiers(), event->position());
}
