#include "PictureBox.h"

#include "game/Pictures.h"
#include "game/RuntimeError.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

PictureBox::~PictureBox() = default;

void PictureBox::setStretch(bool stretch)
{
    stretch_ = stretch;
    if (picture_)
        picture_->setAspectRatioMode(stretch_ ? Qt::IgnoreAspectRatio : Qt::KeepAspectRatio);
    update();
}

void PictureBox::setPicture(int id)
{
    auto picture = Pictures::load(id);
    if (!picture)
        fatalRuntimeError(QStringLiteral("picture %1 cannot be loaded").arg(id));
    picture_ = std::move(picture);
    picture_->setAspectRatioMode(stretch_ ? Qt::IgnoreAspectRatio : Qt::KeepAspectRatio);
    pictureId_ = id;
    if (!stretch_)
        resize(picture_->defaultSize());
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (!picture_)
        return;
    QPainter painter(this);
    // Drawn from the vector source into the device pixels, so the picture
    // stays sharp at any scale.
    picture_->render(&painter, stretch_ ? QRectF(rect()) : QRectF(QPointF(0, 0), picture_->defaultSize()));
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
