#include "TableLabel.h"

#include "Twips.h"

TableLabel::TableLabel(const QString &captionFormat, const QString &spokenFormat, QWidget *parent)
    : QLabel(QStringLiteral("0"), parent)
    , captionFormat_(captionFormat)
    , spokenFormat_(spokenFormat)
{
    QFont font(QStringLiteral("Comic Sans MS"));
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
