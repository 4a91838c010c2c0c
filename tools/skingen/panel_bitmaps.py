"""Bitmaps of the lighting panel and the busy indicator, each drawn on the panel's flat card colour."""

import theme as T
from mvg import Picture, mix

SWITCH = (44, 24)
ARROW = (36, 28)
SWATCH = (28, 28)
TOGGLE = (40, 24)
TOOL = (36, 28)
SLIDER = (150, 22)
BUSY = (160, 8)
SLIDER_POSITIONS = 6


def _pic(name, size, bg=T.CARD):
    return Picture(name, size[0], size[1], bg=bg, blur=2.0)


def _chip(pic, on):
    """The rounded chip every panel picture sits in; accent edge and glow when chosen."""
    w, h = pic.w, pic.h
    if on:
        pic.glow.rrect(2, 2, w - 4, h - 4, 6, stroke=T.ACCENT, sw=2)
        pic.base.rrect(0, 0, w, h, 6, fill=T.SELECTED, stroke=T.ACCENT, sw=1)
    else:
        pic.base.rrect(0, 0, w, h, 6, fill=T.BTN, stroke=T.BTN_EDGE, sw=1)


def switch(name, on):
    p = _pic(name, SWITCH)
    w, h = SWITCH
    if on:
        p.glow.rrect(1, 1, w - 2, h - 2, h / 2.0 - 1, fill=T.ACCENT)
        p.base.rrect(0, 0, w, h, h / 2.0, fill=T.BTN_PRIMARY, stroke="#ffa53f")
        p.top.circle(w - h / 2.0, h / 2.0, h / 2.0 - 3.5, fill=[("#ffffff", 0), ("#e8e8e8", 1)])
    else:
        p.base.rrect(0, 0, w, h, h / 2.0, fill=[("#0f1114", 0), ("#1d2025", 1)], stroke="#30343c")
        p.top.circle(h / 2.0, h / 2.0, h / 2.0 - 3.5, fill=[("#6a7079", 0), ("#4c5159", 1)])
    return p


def arrow(name, direction, on):
    """Direction buttons: left, right, up, down, out (spreading) and in (gathering)."""
    p = _pic(name, ARROW)
    _chip(p, on)
    col = T.ACCENT if on else T.TEXT_DIM
    cx, cy = ARROW[0] / 2.0, ARROW[1] / 2.0
    c = p.top
    if direction == "left":
        c.polyline([(cx + 4, cy - 6), (cx - 3, cy), (cx + 4, cy + 6)], col, 2.2)
        c.line(cx - 3, cy, cx + 9, cy, col, 1.2)
    elif direction == "right":
        c.polyline([(cx - 4, cy - 6), (cx + 3, cy), (cx - 4, cy + 6)], col, 2.2)
        c.line(cx + 3, cy, cx - 9, cy, col, 1.2)
    elif direction == "up":
        c.polyline([(cx - 6, cy + 3), (cx, cy - 4), (cx + 6, cy + 3)], col, 2.2)
        c.line(cx, cy - 4, cx, cy + 8, col, 1.2)
    elif direction == "down":
        c.polyline([(cx - 6, cy - 3), (cx, cy + 4), (cx + 6, cy - 3)], col, 2.2)
        c.line(cx, cy + 4, cx, cy - 8, col, 1.2)
    elif direction == "out":
        c.circle(cx, cy, 2, fill=col)
        for dx, dy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
            c.line(cx + dx * 4, cy + dy * 3.5, cx + dx * 9, cy + dy * 8, col, 1.6)
            c.polyline([(cx + dx * 9 - dx * 4, cy + dy * 8), (cx + dx * 9, cy + dy * 8),
                        (cx + dx * 9, cy + dy * 8 - dy * 4)], col, 1.6)
    elif direction == "in":
        c.circle(cx, cy, 2, fill=col)
        for dx, dy in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
            c.line(cx + dx * 4.5, cy + dy * 4, cx + dx * 10, cy + dy * 9, col, 1.6)
            c.polyline([(cx + dx * 4.5 + dx * 4, cy + dy * 4), (cx + dx * 4.5, cy + dy * 4),
                        (cx + dx * 4.5, cy + dy * 4 + dy * 4)], col, 1.6)
    return p


def swatch(name, colour, chosen):
    p = _pic(name, SWATCH)
    w, h = SWATCH
    if chosen:
        p.glow.rrect(1, 1, w - 2, h - 2, 7, stroke=colour, sw=3)
        p.base.rrect(0, 0, w, h, 7, fill="#0e1013", stroke="#ffffff", sw=1.5)
        p.top.rrect(4, 4, w - 8, h - 8, 4, fill=[(mix(colour, "#ffffff", 0.25), 0), (colour, 1)])
        p.top.polyline([(9, 14), (12.5, 17.5), (19, 10)], "#ffffff", 2.2)
    else:
        p.base.rrect(0, 0, w, h, 7, fill="#0e1013", stroke="#30343c", sw=1)
        p.top.rrect(4, 4, w - 8, h - 8, 4, fill=[(mix(colour, "#ffffff", 0.1), 0), (mix(colour, "#000000", 0.25), 1)])
    return p


def multicolour(name, on):
    p = _pic(name, TOGGLE)
    w, h = TOGGLE
    if on:
        stops = [("#ff3b3b", 0), ("#ffb000", 0.25), ("#3be36b", 0.5), ("#2f8bff", 0.75), ("#c04bff", 1)]
        p.glow.rrect(1, 1, w - 2, h - 2, h / 2.0 - 1, fill=stops, vertical=False)
        p.base.rrect(0, 0, w, h, h / 2.0, fill=stops, stroke="#ffffff", sw=1, vertical=False)
        p.top.circle(w - h / 2.0, h / 2.0, h / 2.0 - 3.5, fill="#ffffff")
    else:
        stops = [("#4a2b2b", 0), ("#4a3f22", 0.25), ("#254030", 0.5), ("#233448", 0.75), ("#3a2848", 1)]
        p.base.rrect(0, 0, w, h, h / 2.0, fill=stops, stroke="#30343c", sw=1, vertical=False)
        p.top.circle(h / 2.0, h / 2.0, h / 2.0 - 3.5, fill=[("#8a9099", 0), ("#5c6169", 1)])
    return p


def tool(name, which, on):
    """Tool 0 paints with the paint colour (a brush), tool 1 with the base colour (a bucket)."""
    p = _pic(name, TOOL)
    _chip(p, on)
    col = T.ACCENT if on else T.TEXT_DIM
    c = p.top
    cx, cy = TOOL[0] / 2.0, TOOL[1] / 2.0
    if which == 0:
        c.line(cx + 7, cy - 8, cx - 1, cy + 1, col, 2.6)
        c.polygon([(cx - 1, cy + 1), (cx - 4, cy - 1), (cx - 8, cy + 7), (cx - 2, cy + 4)], col)
    else:
        c.polygon([(cx - 7, cy - 2), (cx, cy - 9), (cx + 7, cy - 2), (cx, cy + 5)], None, col, 1.8)
        c.line(cx - 7, cy - 2, cx + 7, cy - 2, col, 1.4)
        c.circle(cx + 9, cy + 5, 2.4, fill=col)
        c.line(cx - 8, cy + 9, cx + 8, cy + 9, col, 1.8)
    return p


def slider(name, position):
    p = _pic(name, SLIDER)
    w, h = SLIDER
    pad = 10
    span = w - 2 * pad
    kx = pad + span * position / float(SLIDER_POSITIONS - 1)
    cy = h / 2.0
    p.base.rrect(pad - 4, cy - 2.5, span + 8, 5, 2.5, fill="#0b0c0f", stroke="#262a31")
    for i in range(SLIDER_POSITIONS):
        tx = pad + span * i / float(SLIDER_POSITIONS - 1)
        p.base.rect(tx - 0.5, cy + 5, 1, 3, "#3a3f47" if tx > kx else T.ACCENT_DEEP)
    if kx > pad:
        p.glow.rrect(pad - 4, cy - 2, kx - pad + 4, 4, 2, fill=T.ACCENT)
        p.top.rrect(pad - 4, cy - 2, kx - pad + 4, 4, 2, fill=[(T.ACCENT_DEEP, 0), (T.ACCENT, 1)], vertical=False)
    p.glow.circle(kx, cy, 7, fill=T.ACCENT)
    p.top.circle(kx, cy, 7, fill=[("#ffffff", 0), ("#d5d8dc", 1)], stroke="#ff9a2e", sw=1.5)
    p.top.circle(kx, cy, 2.2, fill=T.ACCENT)
    return p


def busy(name, frame, bg):
    """Ten frames of a bar whose bright segment runs left to right."""
    p = _pic(name, BUSY, bg=bg)
    w, h = BUSY
    p.base.rrect(0, 0, w, h, h / 2.0, fill="#1b1e23", stroke="#262a31")
    seg = 48
    x = -seg + (w + seg) * frame / 10.0
    x0, x1 = max(1.0, x), min(w - 1.0, x + seg)
    if x1 > x0:
        p.glow.rrect(x0, 1, x1 - x0, h - 2, 3, fill=T.ACCENT)
        p.top.rrect(x0, 1, x1 - x0, h - 2, (h - 2) / 2.0,
                    fill=[(T.ACCENT_DEEP, 0), ("#ffb060", 1)], vertical=False)
    return p


def build(footer_bg):
    pics = [switch("dengup.bmp", False), switch("dengdown.bmp", True)]
    for plain, chosen, d in (("leftup", "leftdown", "left"), ("rightup", "rightdown", "right"),
                             ("upup", "updown", "up"), ("downup", "downdown", "down"),
                             ("kuosan", "kuosandown", "out"), ("julong", "julongdown", "in")):
        pics.append(arrow(plain + ".bmp", d, False))
        pics.append(arrow(chosen + ".bmp", d, True))
    for stem, colour in (("hong", "#ff2d2d"), ("huang", "#ffd21a"), ("lv", "#2ee05a"), ("lan", "#2f7dff")):
        pics.append(swatch(stem + ".bmp", colour, False))
        pics.append(swatch(stem + "ok.bmp", colour, True))
    pics += [multicolour("sjsup.bmp", False), multicolour("sjsdown.bmp", True)]
    for which in (0, 1):
        pics.append(tool("user%dup.bmp" % (which + 1), which, False))
        pics.append(tool("user%ddown.bmp" % (which + 1), which, True))
    for i in range(SLIDER_POSITIONS):
        pics.append(slider("slider%d.bmp" % i, i))
    for i in range(10):
        pics.append(busy("jdt%d.bmp" % (i + 1), i, footer_bg))
    return pics
