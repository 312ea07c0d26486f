// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// Build tool: draws the icon's vector master as the PNG sizes of the hicolor
// icon theme.
//   render_icon MASTER.svg OUTPUT_DIR NAME SIZE...
// writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/NAME.png for each size, and beside it
// NAME.rgba: the same pixels raw, premultiplied R, G, B, A bytes row by row,
// which the window takes without decoding anything.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: render_icon MASTER.svg OUTPUT_DIR NAME SIZE...\n");
        return 2;
    }
    QSvgRenderer master(QString::fromLocal8Bit(argv[1]));
    if (!master.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "render_icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        master.render(&painter, QRectF(image.rect()));
        painter.end();
        const QString file = dir + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]);
        const QImage raw = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
        QFile rawFile(file + QStringLiteral(".rgba"));
        if (!QDir().mkpath(dir) || !image.save(file + QStringLiteral(".png"), "PNG")
            || !rawFile.open(QIODevice::WriteOnly)
            || rawFile.write(reinterpret_cast<const char *>(raw.constBits()), raw.sizeInBytes()) != raw.sizeInBytes()
            || !rawFile.flush()) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
