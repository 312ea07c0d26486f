// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "PictureBox.h"

#include "game/Pictures.h"
#include "game/RuntimeError.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace {

class PictureBoxAccessible : public QAccessibleWidget
{
public:
    explicit PictureBoxAccessible(PictureBox *box)
        : QAccessibleWidget(box, box->clickable() ? QAccessible::Button : QAccessible::Graphic)
    { }
    QStringList actionNames() const override { return box()->clickable() ? QStringList{pressAction()} : QStringList(); }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && box()->clickable())
            emit box()->mouseDown(Qt::LeftButton, Qt::NoModifier, QPointF(box()->rect().center()));
    }

private:
    PictureBox *box() const { return static_cast<PictureBox *>(widget()); }
};

QAccessibleInterface *accessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("PictureBox") && object && object->isWidgetType())
        return new PictureBoxAccessible(static_cast<PictureBox *>(object));
    return nullptr;
}

} // namespace

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleFactory), true);
    Q_UNUSED(factoryInstalled);
}

PictureBox::~PictureBox() = default;

void PictureBox::setStretch(bool stretch)
{
    stretch_ = stretch;
    if (pictureId_)
        setPicture(pictureId_);
    update();
}

void PictureBox::setPicture(int id)
{
    // A stretched picture is drawn straight from its source into whatever
    // part of it is repainted, rather than kept as a drawing the size of
    // its box.
    stretched_ = stretch_ ? Pictures::load(id) : nullptr;
    const QSize size = stretch_ ? (stretched_ ? stretched_->defaultSize() : QSize()) : Pictures::size(id);
    if (size.isEmpty())
        fatalRuntimeError(QStringLiteral("picture %1 cannot be loaded").arg(id));
    pictureId_ = id;
    pictureSize_ = size;
    if (!clickable_)
        setAccessibleName(Pictures::name(id));
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
    if (stretched_)
        stretched_->render(&painter, QRectF(rect()));
    else
        Pictures::paint(painter, pictureId_, pictureSize_, devicePixelRatioF());
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
