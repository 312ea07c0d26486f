// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Kvindo art preview: renders every picture the way the game does (QSvgRenderer
// into a QImage) and lays the results out on contact sheets, so the artwork can
// be judged at each device scale.  It also runs the pixel checks the game's art
// has to pass, and times parsing and drawing.
//
//   preview OUTDIR [--root DIR] [--zoom ID,ID,... FACTOR] [--check] [--bench]
//
// Run it from the top of the work tree (or give --root), with
// QT_QPA_PLATFORM=offscreen where there is no display.  OUTDIR receives:
//   sheet-<scale>.png        all 54 pictures at one device scale (1, 1.25, 1.5, 2)
//   suit-<name>-<scale>.png  one suit per sheet, scales 1 and 2 (suit-backs.png:
//                            back and table tile)
//   pixels-<name>.png        one suit at scale 1, blown up 4x with no smoothing
//   corners-1.png            top-left corners of all faces, scale-1 pixels x4;
//                            corners-4.png the same drawn at scale 4
//   courts-3.png             the court cards at scale 3; courts-px.png the same
//                            at scale 1, blown up 3x
//   icon.png                 the icon at 16, 24, 32, 48, 96, 256 px (+ blow-ups)
//   zoom-<id>.png            with --zoom (id 0 is the icon): scale-1 and scale-2
//                            pixels blown up, and a vector render at FACTOR
// --check runs the pixel checks and exits non-zero if one fails.
// --bench prints the slowest picture's parse and draw (2:1) times; with
// KVINDO_BENCH_ALL set in the environment it prints every picture's.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QStringList>
#include <QSvgRenderer>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

QTextStream out(stdout);

QImage render(const QString &file, double scale)
{
    QSvgRenderer r(file);
    if (!r.isValid()) {
        out << "cannot load " << file << Qt::endl;
        return {};
    }
    const QSize base = r.defaultSize();
    const QSize px(int(std::lround(base.width() * scale)), int(std::lround(base.height() * scale)));
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    r.render(&p, QRectF(0, 0, px.width(), px.height()));
    p.end();
    return img;
}

QImage renderPx(const QString &file, int w, int h)
{
    QSvgRenderer r(file);
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    r.render(&p, QRectF(0, 0, w, h));
    p.end();
    return img;
}

QImage blowUp(const QImage &img, int f)
{
    return img.scaled(img.width() * f, img.height() * f, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Lays images out in rows of `cols` on a neutral grey background.
QImage sheet(const std::vector<QImage> &imgs, int cols, int gap)
{
    int cellW = 0, cellH = 0;
    for (const QImage &i : imgs) {
        cellW = std::max(cellW, i.width());
        cellH = std::max(cellH, i.height());
    }
    const int n = int(imgs.size());
    const int rows = (n + cols - 1) / cols;
    QImage s((cellW + gap) * std::min(n, cols) + gap, (cellH + gap) * rows + gap, QImage::Format_ARGB32);
    s.fill(QColor(96, 96, 104));
    QPainter p(&s);
    for (int k = 0; k < n; ++k) {
        p.drawImage((cellW + gap) * (k % cols) + gap, (cellH + gap) * (k / cols) + gap, imgs[size_t(k)]);
    }
    p.end();
    return s;
}

QString scaleName(double s)
{
    return QString::number(s, 'g', 3);
}

int failures = 0;

void fail(const QString &what)
{
    ++failures;
    out << "FAIL " << what << Qt::endl;
}

bool pixelIs(const QImage &img, int x, int y, QRgb want)
{
    return (img.pixel(x, y) & 0xffffffu) == (want & 0xffffffu) && qAlpha(img.pixel(x, y)) == 255;
}

void checkAll(const QString &pics, const QString &iconFile)
{
    const QRgb table = qRgb(0, 128, 0), dark = qRgb(0, 88, 0), light = qRgb(0, 173, 0);
    QSet<QByteArray> faces;
    for (int id = 100; id <= 153; ++id) {
        const QString f = pics + QString("/%1.svg").arg(id);
        if (!QFile::exists(f)) {
            fail(f + " missing");
            continue;
        }
        const QImage img = render(f, 1.0);
        const int wantH = id == 110 ? 95 : 96;
        if (img.width() != 71 || img.height() != wantH) {
            fail(QString("%1: size %2x%3").arg(id).arg(img.width()).arg(img.height()));
            continue;
        }
        const int b = wantH - 1;
        const std::vector<QPoint> corners = id == 153
            ? std::vector<QPoint>{}
            : std::vector<QPoint>{QPoint(0, 0), QPoint(70, 0), QPoint(0, b), QPoint(70, b)};
        for (QPoint c : corners) {
            if (!pixelIs(img, c.x(), c.y(), table)) {
                fail(QString("%1: corner (%2,%3) is %4").arg(id).arg(c.x()).arg(c.y()).arg(img.pixel(c), 8, 16));
            }
        }
        if (id <= 152) {
            // Crisp outline: the straight parts of the border are solid black.
            for (int x = 5; x <= 65; ++x) {
                if (!pixelIs(img, x, 0, qRgb(0, 0, 0)) || !pixelIs(img, x, b, qRgb(0, 0, 0))) {
                    fail(QString("%1: outline not crisp at x=%2").arg(id).arg(x));
                    break;
                }
            }
            for (int y = 5; y <= b - 5; ++y) {
                if (!pixelIs(img, 0, y, qRgb(0, 0, 0)) || !pixelIs(img, 70, y, qRgb(0, 0, 0))) {
                    fail(QString("%1: outline not crisp at y=%2").arg(id).arg(y));
                    break;
                }
            }
        }
        if (id >= 101 && id <= 152) {
            const QByteArray bytes(reinterpret_cast<const char *>(img.constBits()), int(img.sizeInBytes()));
            if (faces.contains(bytes)) {
                fail(QString("%1: face identical to another card").arg(id));
            }
            faces.insert(bytes);
        }
        if (id == 153) {
            if (!pixelIs(img, 35, 48, table))
                fail("153: (35,48)");
            for (QPoint c : {QPoint(0, 0), QPoint(1, 1), QPoint(0, 50), QPoint(35, 0)}) {
                if (!pixelIs(img, c.x(), c.y(), dark))
                    fail(QString("153: (%1,%2) not dark").arg(c.x()).arg(c.y()));
            }
            for (QPoint c : {QPoint(70, 95), QPoint(69, 94), QPoint(70, 50), QPoint(35, 95)}) {
                if (!pixelIs(img, c.x(), c.y(), light))
                    fail(QString("153: (%1,%2) not light").arg(c.x()).arg(c.y()));
            }
            int odd = 0;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) {
                    if (!pixelIs(img, x, y, table) && !pixelIs(img, x, y, dark) && !pixelIs(img, x, y, light))
                        ++odd;
                }
            }
            if (odd)
                fail(QString("153: %1 pixels of other colours").arg(odd));
        }
    }
    const QImage icon = render(iconFile, 1.0);
    if (icon.size() != QSize(96, 96))
        fail("icon size");
    out << (failures ? "checks FAILED: " + QString::number(failures) : QString("all checks passed")) << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        out << "usage: preview OUTDIR [--root DIR] [--zoom ID,ID,... FACTOR] [--check] [--bench]" << Qt::endl;
        return 2;
    }
    const QString outDir = args.takeFirst();
    QString root = ".";
    QStringList zoomIds;
    int zoomFactor = 8;
    bool check = false;
    bool bench = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == "--root" && !args.isEmpty()) {
            root = args.takeFirst();
        } else if (a == "--zoom" && args.size() >= 2) {
            zoomIds = args.takeFirst().split(',');
            zoomFactor = args.takeFirst().toInt();
        } else if (a == "--check") {
            check = true;
        } else if (a == "--bench") {
            bench = true;
        } else {
            out << "unknown argument " << a << Qt::endl;
            return 2;
        }
    }
    QDir().mkpath(outDir);
    const QString pics = root + "/resources/pictures";
    const QString iconFile = root + "/resources/icon/kvindo.svg";
    auto pic = [&](int id) { return pics + QString("/%1.svg").arg(id); };

    for (double s : {1.0, 1.25, 1.5, 2.0}) {
        std::vector<QImage> all;
        for (int id = 100; id <= 153; ++id)
            all.push_back(render(pic(id), s));
        sheet(all, 9, 6).save(outDir + "/sheet-" + scaleName(s) + ".png");
    }
    const char *suitNames[] = {"hearts", "clubs", "diamonds", "spades"};
    for (int suit = 0; suit < 4; ++suit) {
        for (double s : {1.0, 2.0}) {
            std::vector<QImage> row;
            for (int r = 1; r <= 13; ++r)
                row.push_back(render(pic(100 + suit * 13 + r), s));
            sheet(row, 7, 6).save(outDir + QString("/suit-%1-%2.png").arg(suitNames[suit], scaleName(s)));
            if (s == 1.0) {
                QImage big = blowUp(sheet(row, 7, 2), 4);
                big.save(outDir + QString("/pixels-%1.png").arg(suitNames[suit]));
            }
        }
    }
    {
        // the top-left corners of all faces at scale 1, blown up 4x, one suit
        // a row: the indices must line up identically
        std::vector<QImage> corners;
        for (int id = 101; id <= 152; ++id)
            corners.push_back(blowUp(render(pic(id), 1).copy(0, 0, 26, 28), 4));
        sheet(corners, 13, 4).save(outDir + "/corners-1.png");
        std::vector<QImage> corners2;
        for (int id = 101; id <= 152; ++id)
            corners2.push_back(render(pic(id), 4).copy(0, 0, 104, 112));
        sheet(corners2, 13, 4).save(outDir + "/corners-4.png");
    }
    {
        // the twelve court cards, large and as scale-1 pixels blown up
        std::vector<QImage> vec, px;
        for (int suit = 0; suit < 4; ++suit) {
            for (int r = 11; r <= 13; ++r) {
                vec.push_back(render(pic(100 + suit * 13 + r), 3));
                px.push_back(blowUp(render(pic(100 + suit * 13 + r), 1), 3));
            }
        }
        sheet(vec, 6, 8).save(outDir + "/courts-3.png");
        sheet(px, 6, 8).save(outDir + "/courts-px.png");
    }
    {
        std::vector<QImage> misc = {render(pic(100), 1), render(pic(153), 1), render(pic(100), 2), render(pic(153), 2)};
        sheet(misc, 4, 6).save(outDir + "/suit-backs.png");
        blowUp(sheet({render(pic(100), 1), render(pic(153), 1)}, 2, 2), 4).save(outDir + "/pixels-backs.png");
    }
    {
        std::vector<QImage> icons;
        for (int px : {16, 24, 32, 48, 96, 256})
            icons.push_back(renderPx(iconFile, px, px));
        std::vector<QImage> blown;
        for (int px : {16, 24, 32, 48})
            blown.push_back(blowUp(renderPx(iconFile, px, px), 192 / px));
        QImage a = sheet(icons, 6, 8);
        QImage b = sheet(blown, 4, 8);
        QImage s(std::max(a.width(), b.width()), a.height() + b.height(), QImage::Format_ARGB32);
        s.fill(QColor(96, 96, 104));
        QPainter p(&s);
        p.drawImage(0, 0, a);
        p.drawImage(0, a.height(), b);
        p.end();
        s.save(outDir + "/icon.png");
    }
    for (const QString &idText : zoomIds) {
        const int id = idText.toInt();
        const QString f = id == 0 ? iconFile : pic(id);
        QImage px = blowUp(render(f, 1.0), zoomFactor);
        QImage px2 = blowUp(render(f, 2.0), std::max(1, zoomFactor / 2));
        QImage vec = render(f, zoomFactor);
        sheet({px, px2, vec}, 3, 8).save(outDir + QString("/zoom-%1.png").arg(id));
    }
    if (check)
        checkAll(pics, iconFile);
    if (bench) {
        // What turning a card costs: parse the file and draw it at 1:1 and 2:1.
        double worstParse = 0, worstDraw = 0;
        int worstId = 0;
        for (int id = 100; id <= 153; ++id) {
            QFile f(pic(id));
            f.open(QIODevice::ReadOnly);
            const QByteArray data = f.readAll();
            // best of five batches, to keep other work on the machine out of it
            const int rounds = 50;
            double parse = 1e9, draw = 1e9;
            QSvgRenderer r(data);
            QImage img(142, 192, QImage::Format_ARGB32_Premultiplied);
            for (int batch = 0; batch < 5; ++batch) {
                QElapsedTimer t;
                t.start();
                for (int k = 0; k < rounds; ++k) {
                    QSvgRenderer parsed(data);
                }
                parse = std::min(parse, t.nsecsElapsed() / 1e3 / rounds);
                t.restart();
                for (int k = 0; k < rounds; ++k) {
                    QPainter p(&img);
                    r.render(&p, QRectF(0, 0, 142, 192));
                }
                draw = std::min(draw, t.nsecsElapsed() / 1e3 / rounds);
            }
            if (qEnvironmentVariableIsSet("KVINDO_BENCH_ALL"))
                out << id << " " << parse << " " << draw << Qt::endl;
            if (parse + draw > worstParse + worstDraw) {
                worstParse = parse;
                worstDraw = draw;
                worstId = id;
            }
        }
        out << QString("slowest picture %1: parse %2 us, draw at 2x %3 us")
                   .arg(worstId)
                   .arg(worstParse, 0, 'f', 1)
                   .arg(worstDraw, 0, 'f', 1)
            << Qt::endl;
    }
    return failures ? 1 : 0;
}
