#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Kvindo developers <kvindo@norvakk.se>
"""Draws Kvindo's pictures: the 52 card faces, the card back, the table tile
and the program icon, as small SVG files.

    python3 scripts/art/make_cards.py [TOP_OF_WORK_TREE]

Writes resources/pictures/100.svg .. 153.svg and resources/icon/kvindo.svg.
Picture numbers: 100 is the back, 100 + n is card n (1..52; hearts, clubs,
diamonds, spades, each ace..king), 153 is the table tile.

Everything is drawn here from plain geometry: the suit signs, a small stroke
font for the corner indices, the pip layouts and the court portraits.  The
files only use what Qt's SVG renderer handles well (no text, patterns, clip
paths or style sheets), and are kept lean because the game parses each one
before it draws it at the screen's resolution.  The output is the same, byte
for byte, on every run; the generated files are committed so the build never
needs Python.

To look at the result the way the game draws it, build and run the preview
(scripts/art/build-preview.sh, then preview OUTDIR --check) and open the
contact sheets it writes.
"""

import math
import os
import re
import sys

W = 71
H = 96
TABLE = '#008000'
RED = '#d40000'
BLACK = '#000'
INK = '#1a1a1a'        # the dark lines inside the court portraits
SKIN = '#f7d7b5'
GOLD = '#f0c020'
GOLD_DARK = '#9a6a00'
CREAM = '#fffdf6'      # card face

SUITS = ('hearts', 'clubs', 'diamonds', 'spades')
SUIT_COLOUR = {'hearts': RED, 'clubs': BLACK, 'diamonds': RED, 'spades': BLACK}


# --------------------------------------------------------------------------
# numbers and elements

def num(v):
    """Shortest decimal for v with at most two decimals ('.5', '-3', '12.25')."""
    s = '%.2f' % v
    s = s.rstrip('0').rstrip('.')
    if s in ('-0', ''):
        s = '0'
    if s.startswith('0.'):
        s = s[1:]
    elif s.startswith('-0.'):
        s = '-' + s[2:]
    return s


def nums(*vs):
    return ' '.join(num(v) for v in vs)


def el(tag, **attrs):
    parts = ['<' + tag]
    for k, v in attrs.items():
        if v is None:
            continue
        k = k.rstrip('_').replace('_', '-')
        if isinstance(v, float) or isinstance(v, int):
            v = num(v)
        parts.append(' %s="%s"' % (k, v))
    return ''.join(parts) + '/>'


def svg(w, h, body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">' % (w, h, w, h)) + ''.join(body) + '</svg>\n'


def matrix(scale, x, y, turn=False):
    s = -scale if turn else scale
    return 'matrix(%s 0 0 %s %s)' % (num(s), num(s), nums(x, y))


# shapes as path data

def circ(cx, cy, r):
    if r <= 1:
        # dots this small are octagons: as round as a circle at these sizes,
        # and cheaper to read and fill
        return 'M' + 'L'.join(nums(cx + r * math.cos(math.pi * (2 * i + 1) / 8),
                                   cy + r * math.sin(math.pi * (2 * i + 1) / 8))
                              for i in range(8)) + 'Z'
    return ellipse(cx, cy, r, r)


def ellipse(cx, cy, rx, ry, ccw=False):
    """Four cubic arcs (Qt reads these much faster than elliptical arc
    commands).  Clockwise like box(), so that overlapping shapes in one path
    add up; counter-clockwise cuts a hole."""
    k = .5523
    a, b = rx * k, ry * k
    if ccw:
        b = -b
        ry = -ry
    return ('M%sC%s %s %sC%s %s %sC%s %s %sC%s %s %sZ' % (
        nums(cx - rx, cy),
        nums(cx - rx, cy - b), nums(cx - a, cy - ry), nums(cx, cy - ry),
        nums(cx + a, cy - ry), nums(cx + rx, cy - b), nums(cx + rx, cy),
        nums(cx + rx, cy + b), nums(cx + a, cy + ry), nums(cx, cy + ry),
        nums(cx - a, cy + ry), nums(cx - rx, cy + b), nums(cx - rx, cy)))


def band(points, w):
    """Outline of a polyline drawn w wide (square ends, mitred corners), as a
    closed path to fill."""
    def unit_normal(p, q):
        dx, dy = q[0] - p[0], q[1] - p[1]
        n = math.hypot(dx, dy)
        return -dy / n, dx / n

    left, right = [], []
    for i, p in enumerate(points):
        if i == 0:
            nx, ny = unit_normal(p, points[1])
        elif i == len(points) - 1:
            nx, ny = unit_normal(points[-2], p)
        else:
            ax, ay = unit_normal(points[i - 1], p)
            bx, by = unit_normal(p, points[i + 1])
            mx, my = ax + bx, ay + by
            k = 1.0 / (1.0 + ax * bx + ay * by)     # mitre length, squared scale
            nx, ny = mx * k, my * k
        left.append((p[0] + nx * w / 2, p[1] + ny * w / 2))
        right.append((p[0] - nx * w / 2, p[1] - ny * w / 2))
    pts = left + right[::-1]
    return 'M' + 'L'.join(nums(*p) for p in pts) + 'Z'


def bezier(p0, p1, p2, p3, n=6):
    """n + 1 points along a cubic curve."""
    out = []
    for i in range(n + 1):
        t = i / float(n)
        a, b, c, d = (1 - t) ** 3, 3 * t * (1 - t) ** 2, 3 * t * t * (1 - t), t ** 3
        out.append((a * p0[0] + b * p1[0] + c * p2[0] + d * p3[0],
                    a * p0[1] + b * p1[1] + c * p2[1] + d * p3[1]))
    return out


def box(x, y, w, h):
    return 'M%sH%sV%sH%sZ' % (nums(x, y), num(x + w), num(y + h), num(x))


_TOKEN = re.compile(r'[A-Za-z]|-?(?:\d+\.?\d*|\.\d+)(?:e-?\d+)?')


def tokens(d):
    return _TOKEN.findall(d)


def fmt_path(d):
    """Tightens path data: '1 -2' -> '1-2', '0.5' -> '.5', at most 2 decimals."""
    s = ''
    prev = ''
    for tok in tokens(d):
        if not tok[0].isalpha():
            tok = num(float(tok))
            if prev and not prev[0].isalpha() and not tok.startswith('-') and not (
                    tok.startswith('.') and '.' in prev):
                s += ' '
        s += tok
        prev = tok
    return s


def transform_path(d, f):
    """Applies the point map f to an absolute path made of M L H V C Q A Z.
    f must be a similarity (arcs keep their radii; a mirroring map flips the
    arcs' sweep flags).  H and V stay H and V where f keeps lines level."""
    toks = tokens(d)
    o, ax, ay = f(0, 0), f(1, 0), f(0, 1)
    det = (ax[0] - o[0]) * (ay[1] - o[1]) - (ax[1] - o[1]) * (ay[0] - o[0])
    out = []
    i = 0
    cur = (0.0, 0.0)
    prev_out = None
    cmd = None
    while i < len(toks):
        if toks[i].isalpha():
            cmd = toks[i]
            i += 1
            if cmd == 'Z':
                out.append('Z')
                continue
        if cmd in 'MLHV':
            if cmd in 'ML':
                cur = (float(toks[i]), float(toks[i + 1]))
                i += 2
            elif cmd == 'H':
                cur = (float(toks[i]), cur[1])
                i += 1
            else:
                cur = (cur[0], float(toks[i]))
                i += 1
            p = f(*cur)
            if cmd != 'M' and prev_out is not None and abs(p[1] - prev_out[1]) < 1e-9:
                out.append('H' + num(p[0]))
            elif cmd != 'M' and prev_out is not None and abs(p[0] - prev_out[0]) < 1e-9:
                out.append('V' + num(p[1]))
            else:
                out.append(('M' if cmd == 'M' else 'L') + nums(*p))
            prev_out = p
        elif cmd in 'CQ':
            n = 6 if cmd == 'C' else 4
            v = [float(t) for t in toks[i:i + n]]
            i += n
            q = []
            for k in range(0, n, 2):
                q += f(v[k], v[k + 1])
            cur = (v[-2], v[-1])
            prev_out = (q[-2], q[-1])
            out.append(cmd + nums(*q))
        elif cmd == 'A':
            rx, ry, rot, large, sweep, x, y = [float(t) for t in toks[i:i + 7]]
            i += 7
            scale = math.hypot(ax[0] - o[0], ax[1] - o[1])
            if det < 0:
                sweep = 1 - sweep
            cur = (x, y)
            prev_out = f(x, y)
            out.append('A' + nums(rx * scale, ry * scale, rot, large, sweep, *prev_out))
        else:
            raise ValueError('unsupported path command %r' % cmd)
    return fmt_path(' '.join(out))


def moved(d, dx, dy, s=1.0):
    """Path d scaled by s about the origin, then moved by (dx, dy)."""
    return transform_path(d, lambda x, y: (dx + x * s, dy + y * s))


# --------------------------------------------------------------------------
# suit signs, drawn in a 100 x 100 box centred on the origin

HEART = ('M0 50C-28 24-52 4-52-21C-52-38-41-50-26-50C-13-50-4-42 0-29'
         'C4-42 13-50 26-50C41-50 52-38 52-21C52 4 28 24 0 50Z')
DIAMOND = 'M0-54Q16-26 41 0Q16 26 0 54Q-16 26-41 0Q-16-26 0-54Z'
SPADE = ('M0-50C8-36 52-18 52 10C52 27 41 37 27 37C17 37 9 32 4 25'
         'C5 37 10 45 21 50H-21C-10 45-5 37-4 25C-9 32-17 37-27 37'
         'C-41 37-52 27-52 10C-52-18-8-36 0-50Z')


# the spade without its stem, for the inline on the ace of spades
SPADE_LOBES = ('M0-50C8-36 52-18 52 10C52 27 41 37 27 37C17 37 9 32 4 25'
               'H-4C-9 32-17 37-27 37C-41 37-52 27-52 10C-52-18-8-36 0-50Z')


CLUB = fmt_path(ellipse(0, -26, 23, 23) + ellipse(-26, 9, 23, 23) + ellipse(26, 9, 23, 23)
                + ellipse(0, 4, 13, 13)
                + 'M4 8C4 30 10 44 21 50H-21C-10 44-4 30-4 8Z')

SIGN = {'hearts': HEART, 'clubs': CLUB, 'diamonds': DIAMOND, 'spades': SPADE}
# bounding boxes (x0, y0, x1, y1) of the signs
SIGN_BOX = {HEART: (-52, -50, 52, 50), CLUB: (-49, -49, 49, 50),
            DIAMOND: (-41, -54, 41, 54), SPADE: (-52, -50, 52, 50)}


# --------------------------------------------------------------------------
# corner index font
#
# Caps are 10 px high with 2 px strokes.  Each glyph is drawn in its own box
# (origin top-left): round parts as 2 px strokes whose straight runs lie on
# whole rows and columns (horizontal bars centred on y = 1 or 9, stems on
# x = 1), so they are crisp at 1:1; letters with slanted strokes (A, K, 4, 7)
# are filled outlines with level feet.  Entry: (advance, stroked, filled).

GLYPHS = {
    'A': (8, None, 'M0 10L3.3 0H4.7L8 10H5.85L5.2 8H2.8L2.15 10Z'
                   'M3.42 6H4.58L4 4.24Z'),
    '1': (4, None, 'M2 0H4V10H2V3.1L.4 4.1V1.9Z'),
    '2': (7, 'M.9 3.3C.9 1.8 2 1 3.5 1C5 1 6 1.8 6 3.2C6 5.4 1 6.2 1 9.4', 'M0 8H7V10H0Z'),
    '3': (7, 'M.5 2C1.2 1.3 2.2 1 3.4 1C5.1 1 6 1.9 6 3C6 4.2 5 5 3 5'
             'C5.1 5 6 5.9 6 7C6 8.3 5 9 3.4 9C2.1 9 1.1 8.6.4 7.9', None),
    '4': (7, None, 'M4 0H6V6H7V8H6V10H4V8H0V6.2L3.9 0ZM4 6V3.1L2.1 6Z'),
    '5': (7, 'M6.7 1H1V5C1.8 4.5 2.7 4.2 3.6 4.2C5.1 4.2 6 5.2 6 6.6'
             'C6 8.1 5 9 3.5 9C2.2 9 1.3 8.6.5 7.9', None),
    '6': (7, 'M5.9 1.6C5.3 1.2 4.5 1 3.8 1C2 1 1 2.6 1 5.4C1 7.8 2 9 3.5 9'
             'C5 9 6 8 6 6.6C6 5.1 5 4.3 3.6 4.3C2.4 4.3 1.5 4.9 1 5.8', None),
    '7': (7, None, 'M0 0H7V1.9L3.5 10H1.3L4.8 2H0Z'),
    '8': (7, ellipse(3.5, 3, 2.4, 2) + ellipse(3.5, 7, 2.5, 2), None),
    '0': (7, 'M3.5 1C5.2 1 6 2.6 6 5C6 7.4 5.2 9 3.5 9C1.8 9 1 7.4 1 5'
             'C1 2.6 1.8 1 3.5 1Z', None),
    'K': (7, None, 'M0 0H2V3.2L4.4 0H6.9L3.57 4.44L6.9 10H4.4L2 6V10H0Z'),
    # a narrower K, for 'Kp', which has to fit beside the portrait frame
    'k': (6, None, 'M0 0H2V2L3.3 0H5.6L2.77 4.35L5.6 10H3.3L2 7.4V10H0Z'),
    'D': (7, 'M0 1H3.4C5.2 1 6 2.8 6 5C6 7.2 5.2 9 3.4 9H0', 'M0 0H2V10H0Z'),
    'p': (6, 'M1 4H3C4.3 4 5 5 5 6.5C5 8 4.3 9 3 9H1', 'M0 3H2V12H0Z'),
}
# '9' is the '6' turned half a turn
GLYPHS['9'] = (7, transform_path(GLYPHS['6'][1], lambda x, y: (7 - x, 10 - y)), None)

RANK_TEXT = {1: 'A', 2: '2', 3: '3', 4: '4', 5: '5', 6: '6', 7: '7', 8: '8',
             9: '9', 10: '10', 11: 'kp', 12: 'D', 13: 'K'}
GAP = 1
# left edge of each rank text: centred on INDEX_CX, on whole pixels where
# the glyphs have upright stems ('10' and 'Kp' are as far left as they go)
INDEX_LEFT = {'A': 4.5, '10': 2, 'kp': 2}

INDEX_CX = 8.5        # centre line of the corner index
INDEX_TOP = 3         # top row of the rank
INDEX_SIGN_Y = 21     # centre of the small suit sign
INDEX_SIGN = .08      # its scale (8 px high)


def index_paths(rank):
    """(stroked, filled) path data of the rank, placed in the top-left corner."""
    text = RANK_TEXT[rank]
    x = INDEX_LEFT.get(text, 5)
    stroked, filled = '', ''
    for c in text:
        adv, sd, fd = GLYPHS[c]
        if sd:
            stroked += moved(sd, x, INDEX_TOP)
        if fd:
            filled += moved(fd, x, INDEX_TOP)
        x += adv + GAP
    return stroked, filled


def index_group(rank, colour):
    stroked, filled = index_paths(rank)
    parts = []
    if stroked:
        parts.append(el('path', d=stroked, fill='none', stroke=colour, stroke_width=2))
    if filled:
        parts.append(el('path', d=filled, fill=colour))
    parts.append(el('use', href='#s', transform=matrix(INDEX_SIGN, INDEX_CX, INDEX_SIGN_Y)))
    return '<g id="i">' + ''.join(parts) + '</g>'


# --------------------------------------------------------------------------
# card outline and pips

def card_base(h, face=CREAM):
    return [el('rect', width=W, height=h, fill=TABLE),
            el('rect', x=.5, y=.5, width=W - 1, height=h - 1, rx=3,
               fill=face, stroke=BLACK)]


def card_start(suit, rank, h, extra_defs=''):
    """Background, card, and both corner indices."""
    colour = SUIT_COLOUR[suit]
    body = card_base(h)
    body.append('<defs>' + el('path', id='s', d=SIGN[suit], fill=colour)
                + index_group(rank, colour) + extra_defs + '</defs>')
    body.append(el('use', href='#i'))
    body.append(el('use', href='#i', transform='rotate(180 %s)' % nums(W / 2.0, h / 2.0)))
    return body


PIP_L, PIP_C, PIP_R = 21.5, 35.5, 49.5
PIP_SCALE = .12


def pip_positions(rank, h):
    top, bottom = 17.5, h - 17.5
    mid = h / 2.0
    rows4 = [top + (bottom - top) * k / 3.0 for k in range(4)]
    C, L, R = PIP_C, PIP_L, PIP_R
    if rank == 2:
        return [(C, top), (C, bottom)]
    if rank == 3:
        return [(C, top), (C, mid), (C, bottom)]
    if rank in (4, 5):
        p = [(L, top), (R, top), (L, bottom), (R, bottom)]
        return p + ([(C, mid)] if rank == 5 else [])
    if rank in (6, 7, 8):
        p = [(x, y) for y in (top, mid, bottom) for x in (L, R)]
        if rank >= 7:
            p.append((C, (top + mid) / 2))
        if rank == 8:
            p.append((C, (mid + bottom) / 2))
        return p
    if rank == 9:
        return [(x, y) for y in rows4 for x in (L, R)] + [(C, mid)]
    if rank == 10:
        return ([(x, y) for y in rows4 for x in (L, R)]
                + [(C, (rows4[0] + rows4[1]) / 2), (C, (rows4[2] + rows4[3]) / 2)])
    raise ValueError(rank)


def number_card(suit, rank, h):
    body = card_start(suit, rank, h)
    cy = h / 2.0
    if rank == 1:
        body += ace_picture(suit, h)
    else:
        for x, y in pip_positions(rank, h):
            # pips below the middle are turned, as on printed cards
            body.append(el('use', href='#s', transform=matrix(PIP_SCALE, x, y, turn=y > cy + .01)))
    return svg(W, h, body)


def ace_picture(suit, h):
    cy = h / 2.0
    if suit != 'spades':
        return [el('use', href='#s', transform=matrix(.3, W / 2.0, cy))]
    # the ace of spades carries a larger sign, an inline and a ring
    ring = circ(35.5, cy, 26.5) + ellipse(35.5, cy, 25.5, 25.5, ccw=True)
    out = [el('path', d=fmt_path(ring), fill=BLACK),
           el('circle', cx=35.5, cy=cy, r=23.8, fill='none', stroke=BLACK, stroke_width=.5),
           el('use', href='#s', transform=matrix(.42, 35.5, cy)),
           el('path', d=moved(SPADE_LOBES, 35.5, cy - 2.3, .3), fill='none', stroke='#fff',
              stroke_width=.8)]
    d = ''
    for x, y in ((35.5, cy - 26), (35.5, cy + 26), (9.5, cy), (61.5, cy)):
        d += 'M%sL%sL%sL%sZ' % (nums(x, y - 2.2), nums(x + 1.6, y), nums(x, y + 2.2), nums(x - 1.6, y))
    out.append(el('path', d=fmt_path(d), fill=BLACK))
    return out


# --------------------------------------------------------------------------
# court cards
#
# A half-length portrait in a thin frame, printed twice: the upper half as
# drawn here and the same turned half a turn, with a band across the middle.
# Knekt, dam and kung share their drawings across the suits; the colours of
# the clothes and the sign in the frame corner change with the suit.

PALETTE = {
    #            robe       trim       accent     hair
    'hearts':   ('#c8102e', '#2a4aa8', GOLD,      '#d9a441'),
    'clubs':    ('#2a4aa8', '#c8102e', GOLD,      '#4a2e18'),
    'diamonds': (GOLD,      '#c8102e', '#2a4aa8', '#8a4a1a'),
    'spades':   ('#2b2b2b', GOLD,      '#c8102e', '#6a4424'),
}

FRAME = (17.5, 8.5, 36, 79)   # x, y, w, h of the portrait frame
PORTRAIT_GROUND = '#fbf3dc'
# Weight of the drawing's ink lines.  Qt draws strokes of at most one device
# pixel on a fast path, so the lines stay at .5 (one pixel at 2:1) and every
# heavier line of the drawing is a filled shape instead (see band()).
LINE = .5


def shade(colour, k=.7):
    """colour ('#rrggbb') darkened by the factor k."""
    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return '#%02x%02x%02x' % (round(r * k), round(g * k), round(b * k))


class Drawing:
    """A list of paths.  A shape given the same style as the one before it is
    merged into that path, which keeps the files short and the drawing fast;
    the order of adding is the order of painting."""

    def __init__(self):
        self.items = []

    def add(self, d, **style):
        key = tuple(sorted(style.items()))
        if self.items and self.items[-1][0] == key:
            self.items[-1][1].append(d)
        else:
            self.items.append((key, [d]))

    def elements(self):
        return [el('path', d=fmt_path(''.join(ds)), **dict(key)) for key, ds in self.items]


def inked(fill):
    return dict(fill=fill, stroke=INK, stroke_width=LINE)


FINE = dict(fill='none', stroke=INK, stroke_width=.5)   # brows, nose, moustache
GILT = dict(fill=GOLD, stroke=GOLD_DARK, stroke_width=.5)


def jewel_colour(accent):
    return accent if accent != GOLD else RED


def eyes(o, cy):
    o.add(circ(33.4, cy - .8, .65) + circ(37.6, cy - .8, .65), fill=INK)


def brows_and_nose(cy):
    return ('M32.4 %sH34.3M36.7 %sH38.6' % (num(cy - 2.4), num(cy - 2.4))
            + 'M35.8 %sC35.1 %s 35.1 %s 36.3 %s' % (num(cy - .6), num(cy + .8), num(cy + 1.7),
                                                    num(cy + 1.8)))


def lips(o, cy, colour):
    y = cy + 3.5
    o.add('M34.2 %sQ35.5 %s 36.8 %sQ35.5 %s 34.2 %sZ' % (
        num(y), num(y + .3), num(y), num(y + 1.4), num(y)), fill=colour)


def sleeve_and_cuff(o, x, y, sleeve):
    """The arm of the hand that holds the staff, from the shoulder down."""
    o.add('M%s 47C%s 45 %s %s %s %sH%sC%s %s %s 38 %s 36.5V47Z' % (
        num(x - 5), num(x - 4.5), num(x - 3.5), num(y + 2.5), num(x - 2.4), num(y + 1.6),
        num(x + 2.4), num(x + 2.8), num(y), num(x + 2.6), num(x + 2)), **inked(sleeve))
    o.add(ellipse(x, y + 1.9, 2.6, .9), **inked('#fff'))


def hand(x, y):
    return ellipse(x, y, 1.9, 1.6)


def king_half(robe, trim, accent, hair):
    o = Drawing()
    o.add('M29.5 17C28.5 21 28.8 26 30 28.5H41C42.2 26 42.5 21 41.5 17Z', **inked(hair))
    o.add('M18 47V38.5C20.5 35.5 24.5 34 29 33.5L32.5 32.5H38.5L42 33.5'
          'C46.5 34 50.5 35.5 53 38.5V47Z', **inked(robe))
    o.add('M32.5 33H38.5L40.5 47H30.5Z', **inked(trim))
    o.add(circ(35.5, 41.5, .8) + circ(35.5, 44.5, .8), fill=GOLD)
    # embroidered dots, in a diamond grid on both sides of the panel
    grid = [(x, 41) for x in (20.5, 24.5, 28.5, 42.5, 46.5, 50.5)]
    grid += [(x, 43.8) for x in (22.5, 26.5, 44.5, 48.5)]
    grid += [(x, 46.4) for x in (20.5, 24.5, 28.5, 42.5, 46.5, 50.5)]
    o.add(''.join(circ(x, y, .65) for x, y in grid), fill=GOLD if robe != GOLD else '#fff')
    # ermine cape over the shoulders
    o.add('M20 37.5C24 34.5 28.5 33.5 32 33L35.5 39L39 33C42.5 33.5 47 34.5 51 37.5'
          'L49.5 40C46 38 42.5 37 40 37L35.5 43L31 37C28.5 37 25 38 21.5 40Z', **inked('#fff'))
    o.add(''.join(ellipse(x, y, .45, .85) for x, y in (
        (24.5, 37.3), (28.5, 35.8), (33, 38.3), (38, 38.3), (42.5, 35.8), (46.5, 37.3))), fill=INK)
    sleeve_and_cuff(o, 49.5, 40, robe)
    # the sceptre's rod and cross
    o.add(box(48.85, 15, 1.3, 30) + box(49.15, 9.5, .7, 3) + box(48.4, 10.3, 2.2, .7),
          fill=GOLD_DARK)
    o.add(box(33, 27, 5, 6), fill=SKIN)
    o.add(ellipse(35.5, 22, 5.5, 6.5) + hand(49.5, 40), **inked(SKIN))
    eyes(o, 22)
    # beard, mouth and moustache
    o.add('M30 22.5C30 29.5 32.5 34 35.5 35.5C38.5 34 41 29.5 41 22.5'
          'C40.2 25.5 38.3 26.5 35.5 26.5C32.7 26.5 30.8 25.5 30 22.5Z', **inked(hair))
    o.add(box(34.4, 27.65, 2.2, .7), fill='#8a2a2a')
    o.add(brows_and_nose(22)
          + 'M32.2 26.8C33.8 25.2 35.5 25.5 35.5 26C35.5 25.5 37.2 25.2 38.8 26.8', **FINE)
    # crown, and the orb on the sceptre
    o.add('M29 14.5L28.5 10.5L30.4 12.8L32 11L33.8 12.8L35.5 9.8L37.2 12.8L39 11'
          'L40.6 12.8L42.5 10.5L42 14.5Z' + box(29, 14.5, 13, 2.5) + circ(49.5, 14, 2), **GILT)
    o.add(circ(32, 15.75, .75) + circ(35.5, 15.75, .75) + circ(39, 15.75, .75),
          fill=jewel_colour(accent))
    return o


def queen_half(robe, trim, accent, hair):
    o = Drawing()
    o.add('M18 47V39C21 36 25 34.5 29.5 34H41.5C46 34.5 50 36 53 39V47Z', **inked(robe))
    o.add('M32.5 38.5H38.5L39.5 47H31.5Z', **inked(trim))
    o.add(circ(35.5, 41.5, .7) + circ(35.5, 44.5, .7), fill=GOLD)
    # long hair falling over the shoulders
    o.add('M29.2 18.5C27.8 25 27.5 29 26.3 32C25.5 34 25.8 36.5 25.2 38.5'
          'C27.5 39.5 30 39.4 32.2 38.2L33.2 28H37.8L38.8 38.2C41 39.4 43.5 39.5 45.8 38.5'
          'C45.2 36.5 45.5 34 44.7 32C43.5 29 43.2 25 41.8 18.5Z', **inked(hair))
    o.add('M30 26C29.5 30 29 33.5 28.2 37.5M41 26C41.5 30 42 33.5 42.8 37.5',
          fill='none', stroke=shade(hair), stroke_width=.5)
    o.add(box(33.5, 27, 4, 7) + 'M31.5 33.8H39.5L35.5 38.6Z', fill=SKIN)
    o.add(band([(30.5, 33.8), (35.5, 39.6), (40.5, 33.8)], 1), fill=GOLD)
    o.add(''.join(circ(x, y, .5) for x, y in (
        (33, 32.4), (34.2, 33.3), (35.5, 33.6), (36.8, 33.3), (38, 32.4))),
        fill='#fff', stroke=INK, stroke_width=.25)
    sleeve_and_cuff(o, 49, 40, robe)
    # a rose
    o.add(band(bezier((49, 45), (49, 37), (50, 29), (49, 21.5)), 1)
          + 'M49.3 30C51.3 28 52.8 28.3 53.3 29.3C51.8 30.3 50.8 30.8 49.3 30Z', fill='#2e7d32')
    o.add(ellipse(35.5, 22.5, 5, 6.2) + hand(49, 40), **inked(SKIN))
    o.add(circ(32.7, 24.8, .9) + circ(38.3, 24.8, .9), fill='#f5b3a8')
    eyes(o, 23)
    o.add(brows_and_nose(23), **FINE)
    lips(o, 23, '#c0283a')
    # hair parted over the brow, and a tiara
    o.add('M30.4 21.5C30.4 17.5 32.5 16 35.5 16C38.5 16 40.6 17.5 40.6 21.5'
          'C39.5 19.3 37.5 18.3 35.5 18.6C33.5 18.3 31.5 19.3 30.4 21.5Z', **inked(hair))
    o.add('M30.6 16.6C31 14 33 12.8 35.5 11.8C38 12.8 40 14 40.4 16.6'
          'C38.5 15.6 32.5 15.6 30.6 16.6Z', **GILT)
    o.add(circ(35.5, 14.3, .85), fill=jewel_colour(accent))
    o.add(circ(49, 19.5, 2.7), fill=RED, stroke='#7a0000', stroke_width=.5)
    o.add('M47.9 19.6C47.9 18.4 49.4 18.1 50 18.9C50.4 19.5 50.2 20.2 49.6 20.5', fill='none',
          stroke='#7a0000', stroke_width=.5)
    return o


def knave_half(robe, trim, accent, hair):
    o = Drawing()
    o.add('M29.5 18C28.8 22 29 26 29.8 28.5H41.2C42 26 42.2 22 41.5 18Z', **inked(hair))
    o.add('M18 47V38.5C20.5 35.5 24.5 34 29 33.5H42C46.5 34 50.5 35.5 53 38.5V47Z',
          **inked(robe))
    # slashed sleeves and front
    o.add(box(21.7, 36.4, 1.6, 10.6) + box(25.7, 34.8, 1.6, 12.2) + box(34.7, 35, 1.6, 12)
          + box(43.7, 34.8, 1.6, 12.2) + box(47.7, 36.4, 1.6, 10.6), fill=trim)
    o.add(box(33.5, 27, 4, 6), fill=SKIN)
    # pleated ruff
    o.add(ellipse(35.5, 33.5, 7, 2.2), **inked('#fff'))
    o.add('M31 32.2V34.8M33.2 31.4V35.6M35.5 31.3V35.7M37.8 31.4V35.6M40 32.2V34.8',
          stroke='#9aa', stroke_width=.4)
    sleeve_and_cuff(o, 48.5, 40, robe)
    # halberd
    o.add(box(47.9, 13, 1.2, 32), fill='#7a5230')
    o.add('M48 13.5L48.5 9.6L49 13.5Z'
          'M49 14.5C51.8 14 52.6 16.5 52.3 19.5C51.4 18.6 50.2 18.4 49 18.8Z'
          'M48 15.5L45.8 16.5L48 17.3Z', **inked('#d8dde2'))
    o.add(ellipse(35.5, 23, 5.3, 6.3) + hand(48.5, 40), **inked(SKIN))
    eyes(o, 23.3)
    o.add(brows_and_nose(23.3), **FINE)
    lips(o, 23.3, '#b03040')
    # cap with a feather
    o.add('M40.5 14.5C42.5 10.8 45 9.6 46.5 10.2C45.6 11.6 44 13.5 42 16Z', **inked(accent))
    o.add('M28 19.5C27.5 15.5 31 13 36 13C41 13 44.5 15 44.5 18C44.5 19 43.5 19.4 42 19.2'
          'C38 18.1 33 18.1 29 19.7Z', **inked(trim))
    o.add(band(bezier((29, 19.2), (33, 17.6), (38, 17.6), (42.5, 18.7), 5), 1.1), fill=GOLD)
    return o


def court_card(suit, rank, h):
    colour = SUIT_COLOUR[suit]
    draw = {11: knave_half, 12: queen_half, 13: king_half}[rank]
    half = draw(*PALETTE[suit]).elements()
    half.append(el('use', href='#s', transform=matrix(.08, 22.5, 13.5)))
    body = card_start(suit, rank, h, '<g id="f">' + ''.join(half) + '</g>')
    fx, fy, fw, fh = FRAME
    body.append(el('rect', x=fx, y=fy, width=fw, height=fh, fill=PORTRAIT_GROUND))
    body.append(el('use', href='#f'))
    body.append(el('use', href='#f', transform='rotate(180 %s)' % nums(W / 2.0, h / 2.0)))
    # the band across the middle, and the frame drawn over the edges of the clothes
    body.append(el('path', d=fmt_path(box(18, 47, 35, 2) + 'M17 8H54V88H17ZM18 9V87H53V9Z'),
                   fill=colour))
    return svg(W, h, body)


# --------------------------------------------------------------------------
# back, table tile, icon

def card_back():
    """Blue lattice inside a white margin line.

    The lattice is two sets of light lines at 45 degrees, each painted as a
    repeating linear gradient over the field (one rectangle per set, which Qt
    draws far faster than dozens of stroked lines).  The lines run through
    whole-pixel centres, so they are crisp at 1:1, and lie symmetrically about
    the card's centre, so the back looks the same either way up."""
    dark, light = '#1d3f94', '#7c9fe6'
    body = card_base(H, face='#fff')
    step = 5                      # line spacing along x (and y)
    # light on the line itself, fading out over a pixel or so on either side
    stops = ((0, 1), (.07, 1), (.21, 0), (.79, 0), (.93, 1), (1, 1))
    defs = ''
    for gid, (x1, y1, dx, dy) in (('a', (43, 43, 2.5, 2.5)), ('b', (0, 10, 2.5, -2.5))):
        # a: lines x + y = 86 + 5k;  b: lines x - y = -10 + 5k
        defs += ('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="%s" y1="%s" '
                 'x2="%s" y2="%s" spreadMethod="repeat">' % (gid, num(x1), num(y1),
                                                            num(x1 + dx), num(y1 + dy)))
        for off, op in stops:
            defs += el('stop', offset=off, stop_color=light, stop_opacity=op if op != 1 else None)
        defs += '</linearGradient>'
    body.append('<defs>' + defs + '</defs>')
    body.append(el('rect', x=4, y=4, width=63, height=88, fill=dark))
    body.append(el('rect', x=8, y=8, width=55, height=80, fill='url(#a)'))
    body.append(el('rect', x=8, y=8, width=55, height=80, fill='url(#b)'))
    body.append(el('rect', x=6.5, y=6.5, width=58, height=83, fill='none', stroke='#fff'))
    return svg(W, H, body)


def table_tile():
    dark, light = '#005800', '#00ad00'
    body = [el('rect', width=W, height=H, fill=TABLE),
            # top and left, darker; the corner pixels on the diagonal go to this side
            el('path', d='M0 0H71V1H70V2H2V94H1V96H0Z', fill=dark),
            # bottom and right, lighter
            el('path', d='M71 1V96H1V95H2V94H69V2H70V1Z', fill=light)]
    return svg(W, H, body)


def icon():
    """Grey tile with the four suit signs.  The outline is 6 units wide and
    each sign fits a 30 x 30 box on a 6-unit grid, so the straight edges land
    on whole pixels at 16, 32, 48, 96 and 256 px."""
    body = [el('rect', x=3, y=3, width=90, height=90, rx=9, fill='#efefef', stroke=BLACK,
               stroke_width=6)]
    for shape, colour, cx, cy in ((HEART, RED, 27, 27), (CLUB, BLACK, 69, 27),
                                  (SPADE, BLACK, 27, 69), (DIAMOND, RED, 69, 69)):
        x0, y0, x1, y1 = SIGN_BOX[shape]
        s = 30.0 / max(x1 - x0, y1 - y0)
        mx, my = (x0 + x1) / 2.0, (y0 + y1) / 2.0
        body.append(el('path', d=transform_path(
            shape, lambda x, y: (cx + (x - mx) * s, cy + (y - my) * s)), fill=colour))
    return svg(96, 96, body)


# --------------------------------------------------------------------------

def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                              '..', '..')
    pics = os.path.join(root, 'resources', 'pictures')
    os.makedirs(pics, exist_ok=True)
    os.makedirs(os.path.join(root, 'resources', 'icon'), exist_ok=True)
    files = {100: card_back(), 153: table_tile()}
    for s, suit in enumerate(SUITS):
        for rank in range(1, 14):
            pid = 100 + s * 13 + rank
            h = 95 if pid == 110 else H
            files[pid] = court_card(suit, rank, h) if rank > 10 else number_card(suit, rank, h)
    for pid, text in sorted(files.items()):
        with open(os.path.join(pics, '%d.svg' % pid), 'w', newline='\n') as f:
            f.write(text)
    with open(os.path.join(root, 'resources', 'icon', 'kvindo.svg'), 'w', newline='\n') as f:
        f.write(icon())


if __name__ == '__main__':
    main()
