// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The picture set compiled into the program, addressed by ID: 100 the card
// back, 101..152 the faces (100 + card number), 153 the table tile.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <memory>
#include <vector>

class QPainter;
class QSvgRenderer;

namespace Pictures {

inline constexpr int FirstId = 100;
inline constexpr int LastId = 153;

// Reads picture id afresh from the program's resources. Returns nullptr when
// there is no such picture or it cannot be read.
std::unique_ptr<QSvgRenderer> load(int id);

// What picture id shows, in words: "Kortbaksida", "Hjärter ess" ... "Spader
// kung", "Bord"; empty for no such picture.
QString name(int id);

// The picture's own size in logical pixels; an empty size when there is no
// such picture or it cannot be read.
QSize size(int id);

// Picture id drawn from its vector source to fill `size` logical pixels at
// `scale` device pixels per logical pixel; a null image when there is no
// such picture. Drawing costs more than a turn may take, so the latest
// drawing of each picture is kept and served again while size and scale
// hold, until keepOnly() lets it go.
QImage drawn(int id, QSize size, qreal scale);

// Paints picture id at `size` logical pixels onto painter (a device of
// `scale` device pixels per logical pixel): its kept drawing where there is
// one, else a drawing made for this paint and not kept.
void paint(QPainter &painter, int id, QSize size, qreal scale);

// Lets go of the drawing and the read source of every picture but those in
// `keep` (ids outside the set are ignored), so that a few drawings are kept,
// not the whole set, and memory does not grow with the square of the
// screen's scale.
void keepOnly(std::initializer_list<int> keep);

// The pictures whose drawings are kept, in ascending order.
std::vector<int> kept();

} // namespace Pictures
