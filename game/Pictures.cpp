#include "Pictures.h"

#include "Cards.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <array>

namespace Pictures {

namespace {

struct Picture
{
    std::unique_ptr<QSvgRenderer> source; // read on first use
    bool unreadable = false;
    QImage image; // the latest drawing
};

std::array<Picture, LastId - FirstId + 1> &pictures()
{
    static std::array<Picture, LastId - FirstId + 1> all;
    return all;
}

QSvgRenderer *source(int id)
{
    if (id < FirstId || id > LastId)
        return nullptr;
    Picture &picture = pictures()[static_cast<std::size_t>(id - FirstId)];
    if (!picture.source && !picture.unreadable) {
        picture.source = load(id);
        picture.unreadable = !picture.source;
    }
    return picture.source.get();
}

QSize deviceSize(QSize size, qreal scale)
{
    return QSize(qRound(size.width() * scale), qRound(size.height() * scale));
}

} // namespace

std::unique_ptr<QSvgRenderer> load(int id)
{
    if (id < FirstId || id > LastId)
        return nullptr;
    auto picture = std::make_unique<QSvgRenderer>(QStringLiteral(":/pictures/%1.svg").arg(id));
    if (!picture->isValid())
        return nullptr;
    picture->setAspectRatioMode(Qt::IgnoreAspectRatio);
    return picture;
}

QString name(int id)
{
    static const char *const suits[] = {"Hjärter", "Klöver", "Ruter", "Spader"};
    static const char *const ranks[]
        = {"ess", "två", "tre", "fyra", "fem", "sex", "sju", "åtta", "nio", "tio", "knekt", "dam", "kung"};
    if (id == Cards::BackPicture)
        return QStringLiteral("Kortbaksida");
    if (id == Cards::TablePicture)
        return QStringLiteral("Bord");
    const int card = id - 100;
    if (card < 1 || card > Cards::Count)
        return QString();
    return QString::fromUtf8(suits[(card - 1) / 13]) + QLatin1Char(' ')
        + QString::fromUtf8(ranks[Cards::rank(card) - 1]);
}

QSize size(int id)
{
    const QSvgRenderer *picture = source(id);
    return picture ? picture->defaultSize() : QSize();
}

QImage drawn(int id, QSize size, qreal scale)
{
    QSvgRenderer *svg = source(id);
    if (!svg)
        return QImage();
    QImage &image = pictures()[static_cast<std::size_t>(id - FirstId)].image;
    const QSize pixels = deviceSize(size, scale);
    if (image.size() != pixels || image.devicePixelRatio() != scale) {
        // Every picture is opaque: its corners are drawn in the table green.
        image = QImage(pixels, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        svg->render(&painter, QRectF(image.rect()));
        painter.end();
        image.setDevicePixelRatio(scale);
    }
    return image;
}

bool drawNextAhead(qreal scale)
{
    for (int id = FirstId; id <= LastId; ++id) {
        const QImage &image = pictures()[static_cast<std::size_t>(id - FirstId)].image;
        if (!image.isNull() || pictures()[static_cast<std::size_t>(id - FirstId)].unreadable)
            continue;
        drawn(id, size(id), scale);
        return true;
    }
    return false;
}

} // namespace Pictures
