// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
#include "Pictures.h"

#include "Cards.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <algorithm>
#include <array>

#include <sys/mman.h>

namespace Pictures {

namespace {

struct Picture
{
    // The parsed source is kept only until the picture is drawn: the drawing
    // takes far less memory, and is all a turn needs. Its size outlives both.
    std::unique_ptr<QSvgRenderer> source;
    QSize size; // the picture's own size, once read
    bool unreadable = false;
    QImage image; // the latest drawing
};

bool inSet(int id)
{
    return id >= FirstId && id <= LastId;
}

// The picture of an id of the set.
Picture &entry(int id)
{
    static std::array<Picture, LastId - FirstId + 1> all;
    return all[static_cast<std::size_t>(id - FirstId)];
}

QSvgRenderer *source(int id)
{
    if (!inSet(id))
        return nullptr;
    Picture &picture = entry(id);
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

// An image whose pixels have pages of their own, given back to the system
// the moment the last copy of the image goes. From the heap, drawings of a
// few hundred kilobytes (cards on a scaled screen) would leave holes that
// the heap keeps, and memory would creep up as the cards come and go.
QImage imageWithOwnPages(QSize pixels)
{
    struct Pages
    {
        void *start;
        std::size_t length;
    };
    const qsizetype bytesPerLine = qsizetype(pixels.width()) * 4;
    const std::size_t length = std::size_t(bytesPerLine) * std::size_t(pixels.height());
    void *start
        = length ? ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) : MAP_FAILED;
    if (start == MAP_FAILED)
        return QImage(pixels, QImage::Format_RGB32);
    return QImage(
        static_cast<uchar *>(start), pixels.width(), pixels.height(), bytesPerLine, QImage::Format_RGB32,
        [](void *info) {
            const auto *pages = static_cast<Pages *>(info);
            ::munmap(pages->start, pages->length);
            delete pages;
        },
        new Pages{start, length});
}

// A new drawing of picture id, `pixels` device pixels large.
QImage draw(int id, QSize pixels, qreal scale)
{
    QSvgRenderer *svg = source(id);
    if (!svg)
        return QImage();
    // Every picture covers its whole box (card corners are drawn in the
    // table green), so the image needs no filling first.
    QImage image = imageWithOwnPages(pixels);
    QPainter painter(&image);
    svg->render(&painter, QRectF(image.rect()));
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

} // namespace

std::unique_ptr<QSvgRenderer> load(int id)
{
    if (!inSet(id))
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
    if (!inSet(id))
        return QSize();
    const Picture &picture = entry(id);
    if (picture.size.isEmpty())
        source(id);
    return picture.size;
}

QImage drawn(int id, QSize size, qreal scale)
{
    if (!inSet(id))
        return QImage();
    Picture &picture = entry(id);
    const QSize pixels = deviceSize(size, scale);
    if (picture.image.size() != pixels || picture.image.devicePixelRatio() != scale) {
        picture.image = draw(id, pixels, scale);
        picture.source.reset();
    }
    return picture.image;
}

void paint(QPainter &painter, int id, QSize size, qreal scale)
{
    if (!inSet(id))
        return;
    const Picture &picture = entry(id);
    const QSize pixels = deviceSize(size, scale);
    // A drawing made for this paint only, and gone after it, lies on the
    // device's pixels exactly as a kept one would, at any scale.
    const QImage image = picture.image.size() == pixels && picture.image.devicePixelRatio() == scale
        ? picture.image
        : draw(id, pixels, scale);
    if (!image.isNull())
        painter.drawImage(QPointF(0, 0), image);
}

void keepOnly(std::initializer_list<int> keep)
{
    for (int id = FirstId; id <= LastId; ++id) {
        if (std::find(keep.begin(), keep.end(), id) != keep.end())
            continue;
        Picture &picture = entry(id);
        picture.image = QImage();
        picture.source.reset();
    }
}

std::vector<int> kept()
{
    std::vector<int> ids;
    for (int id = FirstId; id <= LastId; ++id)
        if (!entry(id).image.isNull())
            ids.push_back(id);
    return ids;
}

} // namespace Pictures
