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
    // The parsed source is kept only until the picture is drawn: the drawing
    // takes far less memory, and is all a turn needs.
    std::unique_ptr<QSvgRenderer> source;
    QSize size; // the picture's own size, once read
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
        if (picture.source)
            picture.size = picture.source->defaultSize();
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
    if (id < FirstId || id > LastId)
        return QSize();
    const Picture &picture = pictures()[static_cast<std::size_t>(id - FirstId)];
    if (picture.size.isEmpty())
        source(id);
    return picture.size;
}

QImage drawn(int id, QSize size, qreal scale)
{
    if (id < FirstId || id > LastId)
        return QImage();
    Picture &picture = pictures()[static_cast<std::size_t>(id - FirstId)];
    const QSize pixels = deviceSize(size, scale);
    if (picture.image.size() != pixels || picture.image.devicePixelRatio() != scale) {
        QSvgRenderer *svg = source(id);
        if (!svg)
            return QImage();
        // Every picture covers its whole box (card corners are drawn in the
        // table green), so the image needs no filling first.
        QImage image(pixels, QImage::Format_RGB32);
        QPainter painter(&image);
        svg->render(&painter, QRectF(image.rect()));
        painter.end();
        image.setDevicePixelRatio(scale);
        picture.image = image;
        picture.source.reset();
    }
    return picture.image;
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
