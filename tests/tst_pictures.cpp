// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The picture set: every picture present at its size, card corners in the
// table green, the table tile's bevel, pictures drawn sharp at any scale,
// and no more drawings kept than the next turn needs.
#include "KvindoTestAccess.h"
#include "TestDecks.h"
#include "game/Cards.h"
#include "game/Pictures.h"
#include "window/PictureBox.h"
#include "window/frmKvindo.h"

#include <QCryptographicHash>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

namespace {

const QColor tableGreen(0, 128, 0);

QImage render(int id, qreal scale)
{
    const auto picture = Pictures::load(id);
    const QSize size = picture->defaultSize();
    QImage image(qRound(size.width() * scale), qRound(size.height() * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    picture->render(&painter, QRectF(image.rect()));
    return image;
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    // Pictures 100..153 exist and no others; cards are 71 x 96 but for the
    // ten of hearts (110), 71 x 95.
    void sizes()
    {
        for (int id = Pictures::FirstId; id <= Pictures::LastId; ++id) {
            const auto picture = Pictures::load(id);
            QVERIFY2(picture, qPrintable(QString::number(id)));
            QCOMPARE(picture->defaultSize(), QSize(71, id == 110 ? 95 : 96));
        }
        for (int id : {0, 99, 154, 1000, -1})
            QVERIFY(!Pictures::load(id));
    }

    // Every card is opaque, with table green outside its rounded corners and
    // a black outline along its edges.
    void cards()
    {
        for (int id = 100; id <= 152; ++id) {
            const QImage image = render(id, 1);
            const int w = image.width() - 1;
            const int h = image.height() - 1;
            for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
                QCOMPARE(image.pixelColor(corner), tableGreen);
            for (const QPoint edge : {QPoint(35, 0), QPoint(0, 48), QPoint(w, 48), QPoint(35, h)})
                QVERIFY2(qGray(image.pixel(edge)) < 40,
                    qPrintable(QStringLiteral("%1 at %2,%3").arg(id).arg(edge.x()).arg(edge.y())));
            for (int y = 0; y <= h; ++y)
                for (int x = 0; x <= w; ++x)
                    QVERIFY2(qAlpha(image.pixel(x, y)) == 255, qPrintable(QStringLiteral("%1 has a hole").arg(id)));
        }
    }

    // The back is blue, and the 52 faces are all different pictures.
    void facesDistinct()
    {
        const QImage back = render(100, 1);
        const QColor middle = back.pixelColor(35, 48);
        QVERIFY(
            middle.blue() > middle.red() + 40 || back.pixelColor(20, 30).blue() > back.pixelColor(20, 30).red() + 40);
        QSet<QByteArray> seen;
        for (int id = 100; id <= 152; ++id) {
            const QImage image = render(id, 1);
            seen.insert(QCryptographicHash::hash(
                QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha1));
        }
        QCOMPARE(seen.size(), 53);
    }

    // The table tile: flat (0, 128, 0) in a two-pixel bevel, darker top and
    // left, lighter bottom and right, and no other colour.
    void tableTile_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QColor>("colour");
        const QColor dark(0, 88, 0), light(0, 173, 0);
        QTest::newRow("middle") << QPoint(35, 48) << tableGreen;
        QTest::newRow("inside the bevel") << QPoint(2, 2) << tableGreen;
        QTest::newRow("top-left") << QPoint(0, 0) << dark;
        QTest::newRow("top-left inner") << QPoint(1, 1) << dark;
        QTest::newRow("left") << QPoint(0, 50) << dark;
        QTest::newRow("left inner") << QPoint(1, 50) << dark;
        QTest::newRow("top") << QPoint(35, 0) << dark;
        QTest::newRow("top inner") << QPoint(35, 1) << dark;
        QTest::newRow("bottom-right") << QPoint(70, 95) << light;
        QTest::newRow("bottom-right inner") << QPoint(69, 94) << light;
        QTest::newRow("right") << QPoint(70, 50) << light;
        QTest::newRow("bottom") << QPoint(35, 95) << light;
        QTest::newRow("bottom inner") << QPoint(35, 94) << light;
    }
    void tableTile()
    {
        QFETCH(QPoint, at);
        QFETCH(QColor, colour);
        const QImage tile = render(153, 1);
        QCOMPARE(tile.size(), QSize(71, 96));
        QCOMPARE(tile.pixelColor(at), colour);
        const QSet<QRgb> allowed{qRgb(0, 128, 0), qRgb(0, 88, 0), qRgb(0, 173, 0)};
        for (int y = 0; y < tile.height(); ++y)
            for (int x = 0; x < tile.width(); ++x)
                QVERIFY2(allowed.contains(tile.pixel(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    // A picture element draws its picture from the vector source at the
    // screen's resolution (not a scaled-up small bitmap), at the picture's size.
    void drawnAtDeviceResolution_data()
    {
        QTest::addColumn<int>("id");
        for (int id : {100, 101, 110, 123, 139, 152})
            QTest::addRow("%d", id) << id;
    }
    void drawnAtDeviceResolution()
    {
        QFETCH(int, id);
        QWidget table;
        PictureBox box(&table);
        box.setPicture(id);
        QCOMPARE(box.size(), QSize(71, id == 110 ? 95 : 96));
        const QPixmap shot = box.grab();
        const qreal scale = shot.devicePixelRatio();
        QCOMPARE(scale, box.devicePixelRatioF());
        const QImage expected = render(id, scale);
        QCOMPARE(shot.size(), expected.size());
        const QImage got = shot.toImage().convertToFormat(expected.format());
        int differing = 0;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                differing += got.pixel(x, y) != expected.pixel(x, y);
        QCOMPARE(differing, 0);
    }

    // Once a turn is on screen, the next card's drawing is the only one kept,
    // however many cards have been turned; a deal that is over keeps none.
    void keepsOnlyTheNextCard_data()
    {
        QTest::addColumn<int>("turns");
        QTest::addColumn<int>("losesAt"); // 0: never
        QTest::newRow("the first card") << 1 << 0;
        QTest::newRow("mid deal") << 20 << 0;
        QTest::newRow("lost") << 5 << 5;
        QTest::newRow("through") << 52 << 0;
    }
    void keepsOnlyTheNextCard()
    {
        QFETCH(int, turns);
        QFETCH(int, losesAt);
        frmKvindo form;
        KvindoTestAccess access(form);
        form.Form_Load();
        std::map<int, int> fixed;
        for (int card = 1; losesAt && fixed.empty(); ++card)
            if (matchesAt(1, losesAt, card))
                fixed[losesAt] = card;
        const std::array<int, 52> deck = deckWith(fixed);
        access.rig(deck);
        for (int t = 0; t < turns; ++t) {
            access.turnCard();
            QCoreApplication::processEvents();
        }
        QCOMPARE(access.gameOver() != 0, losesAt != 0);
        const std::vector<int> next = access.gameOver() || turns == 52
            ? std::vector<int>()
            : std::vector<int>{Cards::pictureId(deck[std::size_t(turns)])};
        QTRY_COMPARE(Pictures::kept(), next);
    }

    // The stretched table puts its bevel outside the client area: the player
    // sees plain green.
    void tableShowsPlainGreen()
    {
        frmKvindo form;
        form.Form_Load();
        auto *table = form.findChild<PictureBox *>(QStringLiteral("Image1"));
        QCOMPARE(table->pictureId(), 153);
        const QImage shot = table->grab().toImage();
        const qreal scale = table->devicePixelRatioF();
        const QRect client(qRound(40 * scale), qRound(28 * scale), qRound(312 * scale), qRound(206 * scale));
        for (int y = client.top(); y <= client.bottom(); ++y)
            for (int x = client.left(); x <= client.right(); ++x)
                QVERIFY2(shot.pixelColor(x, y) == tableGreen, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
};

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
