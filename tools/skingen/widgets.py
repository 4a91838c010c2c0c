"""Reusable drawings: key caps, buttons, cards, icons, in each of the looks a picture can hold.

Looks: "normal", "over" (hover), "down" (pressed), "disable" (the fourth image: disabled for some
controls, checked or selected for others; each drawing says which), "unlit" and "lit" (the keyboard
picture's colour-off and colour-on pictures).
"""

import theme as T
from mvg import mix


def glow_ring(pic, x, y, w, h, r, colour, width=3):
    pic.glow.rrect(x + 1, y + 1, w - 2, h - 2, r, stroke=colour, sw=width)


# -- key caps -------------------------------------------------------------------------------------------

def keycap(pic, rect, look, legend, sub="", kind="key", lit_colour=None):
    """A sculpted key cap filling rect: a darker skirt, a lighter top face, legends on the face."""
    x, y, w, h = rect
    face_top, face_side, face_bottom = 2, 3, 6
    body = T.CAP_BODY
    face = T.CAP_FACE
    edge = T.CAP_EDGE
    legend_colour = T.CAP_LEGEND
    sub_colour = T.CAP_SUBLEGEND
    dy = 0
    if kind == "g":
        legend_colour = T.ACCENT
        sub_colour = T.ACCENT_DEEP
    if kind == "fn":
        legend_colour = T.ACCENT_SOFT
    if look == "over":
        face = T.CAP_FACE_HOVER
        edge = T.ACCENT
        legend_colour = "#ffffff"
        glow_ring(pic, x, y, w, h, 5, T.ACCENT, 3)
    elif look == "down":
        face = T.CAP_FACE_DOWN
        edge = T.ACCENT_PRESSED
        legend_colour = T.ACCENT_PRESSED
        sub_colour = T.ACCENT_DEEP
        glow_ring(pic, x, y, w, h, 5, T.ACCENT_PRESSED, 5)
        dy = 2
    elif look == "unlit":
        legend_colour = "#5d626a"
        sub_colour = "#43474e"
    elif look == "lit":
        legend_colour = lit_colour
        sub_colour = mix(lit_colour, "#1b1d21", 0.35)
        glow_ring(pic, x, y, w, h, 5, lit_colour, 2)
    pic.base.rrect(x, y, w, h, 5, fill=body, stroke=edge, sw=1)
    fx, fy = x + face_side, y + face_top + dy
    fw, fh = w - 2 * face_side, h - face_top - face_bottom
    pic.top.rrect(fx, fy, fw, fh, 4, fill=face)
    # a faint highlight on the face's upper edge gives the cap its curve
    pic.top.line(fx + 4, fy + 1, fx + fw - 4, fy + 1, "#41464f" if look != "down" else "#2a2d33", 1)
    if look == "disable":
        # an assigned key: accent legend and a bar along the face's lower edge
        legend_colour = T.ACCENT
        sub_colour = T.ACCENT_DEEP
        pic.top.rrect(fx + 5, y + h - 4, fw - 10, 2, 1, fill=T.ACCENT)
        pic.glow.rrect(fx + 5, y + h - 5, fw - 10, 3, 1.5, fill=T.ACCENT)
    cx = fx + fw / 2.0
    cy = fy + fh / 2.0
    draw_legend(pic.top, cx, cy, fw, fh, legend, sub, legend_colour, sub_colour, kind)


def draw_legend(c, cx, cy, fw, fh, legend, sub, colour, sub_colour, kind):
    if not legend:
        return
    numeric_pad_sub = sub and (len(sub) > 1 or sub in "\u2190\u2191\u2192\u2193")
    if sub and not numeric_pad_sub:
        # shifted symbol above, main symbol below
        c.ctext(cx, cy - 6, sub, 10, sub_colour, "regular")
        c.ctext(cx, cy + 7, legend, 12, colour, "regular")
    elif sub:
        c.ctext(cx, cy - 5, legend, 13, colour, "regular")
        c.ctext(cx, cy + 9, sub, 7.5 if len(sub) > 1 else 9, sub_colour, "cond")
    elif len(legend) == 1:
        c.ctext(cx, cy, legend, 14 if legend.isalnum() else 15, colour, "regular")
    elif len(legend) <= 3 and kind != "fn":
        c.ctext(cx, cy, legend, 11, colour, "cond")
    else:
        size = 9.5 if len(legend) <= 6 else 9
        c.ctext(cx, cy, legend, size, colour, "cond")


# -- buttons --------------------------------------------------------------------------------------------

def button(pic, rect, look, label="", style="plain", r=6, label_size=12, selected_look="disable",
           icon=None, icon_box="left"):
    """A flat rounded button. style: plain, primary, ghost, tab. The label is left out for buttons whose
    caption the program draws itself."""
    x, y, w, h = rect
    fill, edge, text = T.BTN, T.BTN_EDGE, T.TEXT
    if style == "primary":
        fill, edge, text = T.BTN_PRIMARY, "#ff9a2e", "#1a0f04"
    if style == "ghost":
        fill, edge = [("#191c21", 0), ("#15171b", 1)], "#2c3037"
    if look == "over":
        if style == "primary":
            fill, edge = T.BTN_PRIMARY_HOVER, "#ffc07a"
        else:
            fill, edge, text = T.BTN_HOVER, T.ACCENT, T.ACCENT
        glow_ring(pic, x, y, w, h, r, T.ACCENT, 3)
    elif look == "down":
        if style == "primary":
            fill, edge = T.BTN_PRIMARY_DOWN, "#ff9b04"
        else:
            fill, edge, text = T.BTN_DOWN, T.ACCENT_PRESSED, T.ACCENT_PRESSED
        glow_ring(pic, x, y, w, h, r, T.ACCENT_PRESSED, 5)
    elif look == "disable" and selected_look == "disable":
        fill, edge, text = T.BTN_DISABLED, "#23262b", T.TEXT_FAINT
        if style == "primary":
            fill, edge, text = [("#3a2a1a", 0), ("#2c2014", 1)], "#4a3420", "#7a6a5a"
    elif look == "disable" and selected_look == "selected":
        fill, edge, text = T.SELECTED, T.ACCENT, T.ACCENT_SOFT
        glow_ring(pic, x, y, w, h, r, T.ACCENT_DEEP, 4)
    elif look == "disable" and selected_look == "pressed":
        return button(pic, rect, "down", label, style, r, label_size, selected_look, icon, icon_box)
    pic.base.rrect(x, y, w, h, r, fill=fill, stroke=edge, sw=1)
    if look == "disable" and selected_look == "selected":
        pic.top.rrect(x + 10, y + h - 4, w - 20, 2, 1, fill=T.ACCENT)
    if style == "tab" and look != "disable":
        pic.top.line(x + r, y + 1.5, x + w - r, y + 1.5, "#343941" if look == "normal" else T.ACCENT, 1)
    if icon and icon_box == "full":
        icon(pic.top, x, y, w, h, text)
    elif icon:
        # an icon sits at the left end, clear of the caption the program centres on the button
        icon(pic.top, x + 6, y, 26, h, text if look != "normal" else T.TEXT_DIM)
    if label:
        pic.top.ctext(x + w / 2.0, y + h / 2.0, label, label_size, text, "bold" if style == "primary" else "regular")


def card(c, x, y, w, h, title_bar=False):
    c.rrect(x, y, w, h, 10, fill=T.CARD, stroke=T.CARD_EDGE, sw=1)
    c.line(x + 12, y + 1.5, x + w - 12, y + 1.5, "#2a2f37", 1)
    if title_bar:
        c.rrect(x + 1, y + 14, 3, 18, 1.5, fill=T.ACCENT)


def window_frame(pic, w, h, title_h, title="", subtitle=""):
    """Background, title bar and edge of a whole window (outline comes from its mask)."""
    c = pic.base
    c.rect(-2, -2, w + 4, h + 4, [(T.BG_TOP, 0), (T.BG_BOTTOM, 1)])
    c.rect(-2, -2, w + 4, title_h + 2, [(T.TITLE_TOP, 0), (T.TITLE_BOTTOM, 1)])
    c.rect(0, title_h, w, 1, [("#3a2410", 0), (T.ACCENT, 0.35), (T.ACCENT, 0.65), ("#3a2410", 1)], vertical=False)
    c.rrect(0, 0, w, h, 12, stroke="#2b2f36", sw=1)
    if title:
        c.rrect(18, title_h / 2.0 - 9, 4, 18, 2, fill=T.ACCENT)
        c.text(32, title_h / 2.0 + 5.5, title, 15, T.TEXT, "bold", spacing=1.5)
    if subtitle:
        c.text(w - 20, title_h / 2.0 + 4.5, subtitle, 10, T.TEXT_FAINT, "regular", "end")


# -- icons (drawn in a w x h box at x, y with colour col) ------------------------------------------------

def icon_close(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.line(cx - 5, cy - 5, cx + 5, cy + 5, col, 1.6)
    c.line(cx - 5, cy + 5, cx + 5, cy - 5, col, 1.6)


def icon_minimize(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.line(cx - 6, cy + 1, cx + 6, cy + 1, col, 1.6)


def icon_help(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.circle(cx, cy, 8, stroke=col, sw=1.4)
    c.ctext(cx, cy, "?", 11, col, "bold")


def icon_menu(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    for d in (-5, 0, 5):
        c.line(cx - 7, cy + d, cx + 7, cy + d, col, 1.6)


def icon_plus(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.line(cx - 6, cy, cx + 6, cy, col, 2)
    c.line(cx, cy - 6, cx, cy + 6, col, 2)


def icon_trash(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.line(cx - 7, cy - 5, cx + 7, cy - 5, col, 1.6)
    c.line(cx - 2, cy - 7.5, cx + 2, cy - 7.5, col, 1.6)
    c.polyline([(cx - 5, cy - 3), (cx - 4, cy + 7), (cx + 4, cy + 7), (cx + 5, cy - 3)], col, 1.6)
    c.line(cx, cy - 1, cx, cy + 5, col, 1.2)


def icon_eraser(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.polygon([(cx - 8, cy + 3), (cx - 1, cy - 6), (cx + 7, cy), (cx, cy + 8)], None, col, 1.5)
    c.line(cx - 4, cy - 1, cx + 3, cy + 5, col, 1.5)
    c.line(cx - 2, cy + 8, cx + 9, cy + 8, col, 1.5)


def icon_keyboard(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.rrect(cx - 11, cy - 7, 22, 14, 2.5, stroke=col, sw=1.4)
    for i in range(4):
        c.rect(cx - 8 + i * 4.5, cy - 4, 2.5, 2.5, col)
    for i in range(3):
        c.rect(cx - 6 + i * 4.5, cy, 2.5, 2.5, col)
    c.line(cx - 5, cy + 4.5, cx + 5, cy + 4.5, col, 1.4)


def icon_globe(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.circle(cx, cy, 7.5, stroke=col, sw=1.4)
    c.raw("push graphic-context")
    c.raw("fill none")
    c.raw("stroke '%s'" % col)
    c.raw("stroke-width 1.2")
    c.raw("ellipse %s,%s 3.2,7.5 0,360" % (cx, cy))
    c.raw("pop graphic-context")
    c.line(cx - 7.5, cy, cx + 7.5, cy, col, 1.2)


def icon_social_f(c, x, y, w, h, col):
    c.ctext(x + w / 2.0 + 0.5, y + h / 2.0 + 1, "f", 15, col, "bold")


def icon_social_bird(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.line(cx - 5.5, cy - 6, cx + 5.5, cy + 6, col, 1.8)
    c.line(cx - 5.5, cy + 6, cx + 5.5, cy - 6, col, 1.2)


def icon_macro(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    for i, d in enumerate((-5, 0, 5)):
        c.line(cx - 3, cy + d, cx + 8, cy + d, col, 1.6)
        c.circle(cx - 7, cy + d, 1.4, fill=col)


def icon_restore(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.arc(cx, cy, 6.5, 200, 500, col, 1.6)
    c.polygon([(cx - 9.5, cy - 4.5), (cx - 3.5, cy - 4), (cx - 7.5, cy + 0.5)], col)


def number_badge(n):
    def icon(c, x, y, w, h, col):
        cx, cy = x + w / 2.0, y + h / 2.0
        c.rrect(cx - 8, cy - 8, 16, 16, 4, stroke=col, sw=1.2)
        c.ctext(cx, cy, str(n), 10, col, "bold")
    return icon
