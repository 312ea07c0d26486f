// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
// The window's layout is stated in twips, as designed (1/1440 inch at 96
// pixels per inch). This is the one place that turns it into Qt's logical
// pixels; Qt scales those to the screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace Twips {

inline constexpr int PerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / PerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

constexpr QSize size(int width, int height)
{
    return QSize(toPixels(width), toPixels(height));
}

// Font sizes in points at the design's 96 pixels per inch, so labels keep
// their size relative to the table whatever the desktop's font DPI is.
constexpr double pointsToPixels(double points)
{
    return points * 96.0 / 72.0;
}

} // namespace Twips
