// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The picture set compiled into the program, addressed by ID: 100 the card
// back, 101..152 the faces (100 + card number), 153 the table tile.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

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
// drawing of each picture is kept and served again while size and scale hold.
QImage drawn(int id, QSize size, qreal scale);

// Draws the next picture not yet drawn at its own size and `scale`, so that
// later turns find it ready. Returns false once every picture is ready.
bool drawNextAhead(qreal scale);

} // namespace Pictures
