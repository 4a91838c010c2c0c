"""The main window: title bar, profile bar, keyboard picture, lighting panel, report rate and footer."""

import math

import theme as T
import widgets as W
from keyboard import KEYS, G_KEYS, BANK_SLOT, FN, PICTURE_ORDER, Geometry, layout_key
from mvg import hue_colour
from window import Window

WIDTH, HEIGHT = 1120, 668
TITLE_H = 52
CASE = (25, 122, 1070, 325)
LIGHT_CARD = (25, 459, 720, 140)
RATE_CARD = (757, 459, 338, 140)
FOOTER_Y = 611

GEOM = Geometry(left=110, top=158)

# Looks of the four button pictures, and the two keyboard-colour pictures.
LOOK_FILES = [("normal", "main_normal.jpg"), ("over", "main_over.jpg"), ("down", "main_down.jpg"),
              ("disable", "main_disable.jpg"), ("unlit", "main_color0.jpg"), ("lit", "main_color1.jpg")]

REPORT_RATES = [("1000", "1 ms"), ("500", "2 ms"), ("250", "4 ms"), ("125", "8 ms")]


def build(bitmap_sizes):
    win = Window("main", "Main.ini", WIDTH, HEIGHT)
    win.notes = [
        "Layout of the main window. Rectangles are x,y,width,height in client pixels; each button's",
        "pictures are cut from the main_*.jpg pictures one pixel up and left of its position.",
        "Made by tools/skingen (python3 tools/skingen/skingen.py); edit the generator, not this file.",
        "",
        "Lighting panel bitmaps in this folder: dengup/dengdown (panel switch), leftup/leftdown,",
        "rightup/rightdown, upup/updown, downup/downdown, kuosan/kuosandown, julong/julongdown",
        "(direction pairs), hong/hongok, huang/huangok, lv/lvok, lan/lanok (fixed colours),",
        "sjsup/sjsdown (multicolour), user1up/user1down, user2up/user2down (tools),",
        "slider0 ... slider5 (slider at positions 0-5) and jdt1 ... jdt10 (busy animation).",
    ]
    win.screen = [("Main", "main_bg.jpg"), ("Mask", "main_mask.bmp"), ("Link", "https://www.halvorn.com/kelvane")]
    layout = place_controls(win, bitmap_sizes)

    bg = win.picture("main_bg.jpg", shift=False, blur=2.5)
    draw_scene(bg, "normal", layout)
    for look, name in LOOK_FILES:
        pic = win.picture(name, shift=True, blur=2.5)
        draw_scene(pic, look, layout)
    draw_arrow_picture(win, layout)
    win.mask("main_mask.bmp", radius=12)
    return win


# -- layout -----------------------------------------------------------------------------------------------

def place_controls(win, bm):
    L = {}  # key -> (rect, drawer)
    put = win.put

    def button(key, rect, drawer):
        put(key, rect)
        L[key] = (rect, drawer)

    # buttons, in the order the window places them
    button("TORVEL_LINK", (18, 10, 168, 32), draw_logo)
    button("FUNC_PROFILES", (20, 62, 150, 50), draw_profiles_badge)
    button("FUNC_MACRO", (804, 70, 140, 36), lambda p, r, l: W.button(p, r, l, style="ghost", icon=W.icon_macro))
    button("CONTROL_OK", (779, 622, 100, 34), lambda p, r, l: W.button(p, r, l))
    button("CONTROL_CANCEL", (887, 622, 100, 34), lambda p, r, l: W.button(p, r, l))
    tx = WIDTH - 12 - 4 * 42
    for i, (key, icon) in enumerate([("CONTROL_MENU", W.icon_menu), ("CONTROL_HELP", W.icon_help),
                                     ("CONTROL_MINIMIZE", W.icon_minimize), ("CONTROL_CLOSE", W.icon_close)]):
        button(key, (tx + i * 42, 12, 38, 28), title_button(icon, key == "CONTROL_CLOSE"))
    button("CONTROL2_APPLY", (995, 622, 100, 34), lambda p, r, l: W.button(p, r, l, style="primary"))
    for key, text, x, w in [("LOCK_CAPS", "CAPS", 900, 50), ("LOCK_NUM", "NUM", 954, 46),
                            ("LOCK_SCROLL", "SCROLL", 1004, 66)]:
        button(key, (x, 131, w, 18), lock_indicator(text))
    bank = GEOM.rect(BANK_SLOT[0], BANK_SLOT[1])
    button("LOCK_AB", bank, draw_bank)
    button("FLIP_0", (98, 130, 64, 20), draw_flip_indicator)
    button("FLIP_1", (66, 130, 28, 20), flip_button("\u25c2"))
    button("FLIP_2", (166, 130, 28, 20), flip_button("\u25b8"))
    button("TORVEL_VER", (196, 20, 160, 16), lambda p, r, l: None)
    for i in range(3):
        button("FUNC_PROFILE%d" % (i + 1), (182 + i * 146, 70, 140, 36),
               lambda p, r, l, n=i + 1: W.button(p, r, l, style="tab", selected_look="selected",
                                                 icon=W.number_badge(n)))
    button("FUNC_DEFAULT", (950, 70, 145, 36), lambda p, r, l: W.button(p, r, l, style="ghost", icon=W.icon_restore))

    lx, ly, lw, lh = LIGHT_CARD
    row_a, row_b = ly + 54, ly + 96
    col1, col2, col3 = lx + 16, lx + 280, lx + 480
    for i, c in enumerate("RGB"):
        put("COLOR_" + c, (col3 + i * 56, row_b + 2, 50, 22))
    rx, ry, rw, rh = RATE_CARD
    for i, (hz, ms) in enumerate(REPORT_RATES):
        button("FUNC_REPORT%d" % (i + 1), (rx + 13 + i * 80, ry + 48, 72, 40), rate_button(hz))
    fn = [k for k in KEYS if k[0] == FN][0]
    button("KEY_FN", GEOM.rect(fn[1], fn[2], fn[3], fn[4]), key_drawer(fn))

    # keyboard picture: G-keys, then the 105 keys in picture order
    for n, row, col in G_KEYS:
        button("FUNC_G%d" % n, GEOM.rect(row, col), gkey_drawer(n))
    by_code = {k[0]: k for k in KEYS}
    for code in PICTURE_ORDER:
        k = by_code[code]
        button(layout_key(code), GEOM.rect(k[1], k[2], k[3], k[4]), key_drawer(k))

    # the arrows beside the Flip buttons: placed from BUTTONINFO, pictures from BUTTONINFO2
    left_arrow = (52, 132, 12, 16)
    right_arrow = (196, 132, 12, 16)
    put("LEFT_ARROW", left_arrow)
    put("RIGHT_ARROW", right_arrow)
    # Arrow.jpg holds the "down" arrows (Flip off) where they stand and the "up" arrows 40 px to the right
    put("DOWN_ARROW_LEFT1", left_arrow, section=2)
    put("UP_ARROW_LEFT1", (left_arrow[0] + ARROW_UP_DX,) + left_arrow[1:], section=2)
    put("DOWN_ARROW_RIGHT1", right_arrow, section=2)
    put("UP_ARROW_RIGHT1", (right_arrow[0] + ARROW_UP_DX,) + right_arrow[1:], section=2)

    # labels and pictures of the main window
    put("CONTROL_UsbStatic", (rx + 16, ry + 14, 220, 20))
    put("CONTROL_JDTStatic", (150, 636) + bm["jdt1.bmp"])
    put("CONTROL_RGBStatic", (col3, row_a + 4, 100, 20))
    for i, key in enumerate(["CONTROL_Network", "CONTROL_Facebook", "CONTROL_twitter"]):
        put(key, (30 + i * 36, 624, 30, 30))

    # lighting panel
    put("CONTROL_DengStatic", (lx + 68, ly + 14, 160, 20))
    put("CONTROL_DengStaPic", (lx + 16, ly + 12) + bm["dengup.bmp"])
    put("CONTROL_XGcombox", (lx + 240, ly + 11, 240, 260))
    slider = bm["slider0.bmp"]
    put("CONTROL_LightStatic", (col1, row_a + 4, 84, 20))
    put("CONTROL_LightSlider", (col1 + 88, row_a + 14 - slider[1] // 2) + slider)
    put("CONTROL_SpeedStatic", (col1, row_b + 4, 84, 20))
    put("CONTROL_SpeedSlider", (col1 + 88, row_b + 14 - slider[1] // 2) + slider)
    arrow = bm["leftup.bmp"]
    put("CONTROL_BLFXStatic", (col2, row_a + 4, 70, 20))
    put("CONTROL_BLFXLStaPic", (col2 + 74, row_a) + arrow)
    put("CONTROL_BLFXRStaPic", (col2 + 78 + arrow[0], row_a) + arrow)
    toggle = bm["sjsup.bmp"]
    put("CONTROL_FYYSStatic", (col2, row_b + 4, 70, 20))
    put("CONTROL_FYYSButton", (col2 + 74, row_b + 2, 48, 24))
    put("CONTROL_FYSJSStaPic", (col2 + 130, row_b + 2) + toggle)
    put("CONTROL_FYSJSStatic", (col2 + 136 + toggle[0], row_b + 4, 84, 20))
    put("CONTROL_FYCFStatic", (col3, row_a + 4, 60, 20))
    put("CONTROL_FYdjcfStatic", (col3, row_b + 4, 60, 20))
    put("CONTROL_FYggcfStatc", (col3 + 100, row_b + 4, 60, 20))
    put("CONTROL_FYdjcfStaPic", (col3 + 64, row_b + 2) + toggle)
    put("CONTROL_FYggcfStaPic", (col3 + 164, row_b + 2) + toggle)
    swatch = bm["hong.bmp"]
    for i, key in enumerate(["CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC", "CONTROL_LANPIC"]):
        put(key, (col2 + i * (swatch[0] + 6), row_b) + swatch)
    put("CONTROL_HXysStatic", (col2, row_b + 4, 70, 20))
    put("CONTROL_HXysButton", (col2 + 74, row_b + 2, 48, 24))
    put("CONTROL_HXsjsStatic", (col2 + 136 + toggle[0], row_b + 4, 84, 20))
    put("CONTROL_HXsjsStaPic", (col2 + 130, row_b + 2) + toggle)
    put("CONTROL_JTysStatic", (col3, row_b + 4, 60, 20))
    put("CONTROL_JTysButton", (col3 + 64, row_b + 2, 48, 24))
    put("CONTROL_USERysStatic", (col2, row_a + 4, 70, 20))
    put("CONTROL_USERysButton", (col2 + 74, row_a + 2, 48, 24))
    put("CONTROL_USERjsStatic", (col2, row_b + 4, 70, 20))
    put("CONTROL_USERjsButton", (col2 + 74, row_b + 2, 48, 24))
    tool = bm["user1up.bmp"]
    put("CONTROL_USERgjStatic", (col3, row_a + 4, 60, 20))
    put("CONTROL_USERgjStaPic1", (col3 + 64, row_a) + tool)
    put("CONTROL_USERgjStaPic2", (col3 + 68 + tool[0], row_a) + tool)
    for i in range(8):
        put("CONTROL_Color%d" % (i + 1), (col3 + i * 28, row_a + 2, 24, 24))
    put("CONTROL_TSysStatic", (col3, row_a + 4, 60, 20))
    put("CONTROL_TSysButton", (col3 + 64, row_a + 2, 48, 24))
    put("CONTROL_TSsjsStatic", (col3 + 164, row_a + 4, 60, 20))
    put("CONTROL_TSsjsStaPic", (col3 + 118, row_a + 2) + toggle)
    put("CONTROL_CDysStatic", (col3, row_b + 4, 60, 20))
    put("CONTROL_CDysButton", (col3 + 64, row_b + 2, 48, 24))
    put("CONTROL_CDsjsStatic", (col3 + 164, row_b + 4, 60, 20))
    put("CONTROL_CDsjsStaPic", (col3 + 118, row_b + 2) + toggle)
    put("CONTROL_umCombo", (col3, row_b + 1, 224, 220))
    # the direction controls' three places: beside the colour row (effects with speed) twice, and in the
    # speed row for the effects that have no speed
    put("CONTROL_BLFXStatic2", (col2, row_a + 4, 70, 20))
    put("CONTROL_BLFXStatic3", (col1, row_b + 4, 84, 20))
    put("CONTROL_BLFXLStaPic2", (col2 + 74, row_a) + arrow)
    put("CONTROL_BLFXLStaPic3", (col1 + 88, row_b) + arrow)
    put("CONTROL_BLFXRStaPic2", (col2 + 78 + arrow[0], row_a) + arrow)
    put("CONTROL_BLFXRStaPic3", (col1 + 92 + arrow[0], row_b) + arrow)
    return L


ARROW_UP_DX = 40


# -- drawers of the main window's buttons -------------------------------------------------------------------

def key_drawer(k):
    code, row, col, w, h, legend, sub = k
    kind = "fn" if code == FN else "key"

    def draw(pic, rect, look):
        lit = hue_colour((rect[0] - GEOM.left) * 300.0 / (22 * GEOM.unit) + 0) if look == "lit" else None
        W.keycap(pic, rect, look, legend, sub, kind, lit)
    return draw


def gkey_drawer(n):
    def draw(pic, rect, look):
        lit = hue_colour(20 + n * 2) if look == "lit" else None
        W.keycap(pic, rect, look, "G%d" % n, "", "g", lit)
    return draw


def title_button(icon, danger):
    def draw(pic, rect, look):
        x, y, w, h = rect
        col = T.TEXT_DIM
        if look in ("over", "down"):
            fill = "#3a1d1d" if danger and look == "over" else ("#2a2520" if look == "over" else "#1a1613")
            edge = "#e0483c" if danger else T.ACCENT
            col = "#ff6a5c" if danger else (T.ACCENT if look == "over" else T.ACCENT_PRESSED)
            pic.base.rrect(x, y, w, h, 6, fill=fill, stroke=edge, sw=1)
        icon(pic.top, x, y, w, h, col)
    return draw


def draw_logo(pic, rect, look):
    """The maker's mark and the program's name; the link button's pressed look is in the fourth picture."""
    x, y, w, h = rect
    c = pic.top
    accent = T.ACCENT if look == "normal" or look in ("unlit", "lit") else ("#ffa53f" if look == "over" else T.ACCENT_PRESSED)
    if look == "over":
        pic.glow.circle(x + 16, y + 16, 10, fill=T.ACCENT)
    cx, cy = x + 16, y + 16
    hexagon = [(cx, cy - 14), (cx + 12, cy - 7), (cx + 12, cy + 7), (cx, cy + 14), (cx - 12, cy + 7), (cx - 12, cy - 7)]
    c.polygon(hexagon, [(accent, 0), (T.ACCENT_DEEP, 1)])
    c.polyline([(cx - 4, cy - 7), (cx - 4, cy + 7)], "#16191e", 2.6)
    c.polyline([(cx + 5, cy - 7), (cx - 3, cy), (cx + 5, cy + 7)], "#16191e", 2.6)
    c.text(x + 38, y + 23, "KELVANE", 18, T.TEXT if look != "over" else "#ffffff", "bold", spacing=3)


def draw_profiles_badge(pic, rect, look):
    """Profile manager button: a card crossed by a band at the angle of its slanted caption."""
    x, y, w, h = rect
    fill = [("#1f2228", 0), ("#16181c", 1)]
    edge = T.CARD_EDGE_HI
    band = "#2b241d"
    if look == "over":
        fill, edge, band = T.BTN_HOVER, T.ACCENT, "#4a2c0c"
        W.glow_ring(pic, x, y, w, h, 8, T.ACCENT, 3)
    elif look == "down":
        fill, edge, band = T.BTN_DOWN, T.ACCENT_PRESSED, "#5a3510"
    pic.base.rrect(x, y, w, h, 8, fill=fill, stroke=edge, sw=1)
    # accent stripes at the angle of the slanted caption the program draws from the lower left
    t = math.tan(math.radians(26.8))
    stripe = T.ACCENT if look != "normal" else T.ACCENT_DEEP
    for i in range(3):
        x0 = x + w - 90 + i * 9
        pic.top.polygon([(x0, y + h - 5), (x0 + 4, y + h - 5), (x0 + 4 + (h - 17) / t, y + 12),
                         (x0 + (h - 17) / t, y + 12)], stripe if i == 2 else ("#3a2a1a" if look == "normal" else T.ACCENT_DEEP))
    pic.top.rect(x + 8, y + h - 3, 40, 1, stripe)


def lock_indicator(text):
    def draw(pic, rect, look):
        x, y, w, h = rect
        on = look == "over"
        led = T.ACCENT if on else "#383c44"
        if on:
            pic.glow.circle(x + 8, y + h / 2.0, 5, fill=T.ACCENT)
        pic.top.circle(x + 8, y + h / 2.0, 3.2, fill=led)
        pic.top.text(x + 16, y + h / 2.0 + 3.5, text, 9, T.ACCENT_SOFT if on else T.TEXT_FAINT, "condbold", spacing=0.8)
    return draw


def draw_bank(pic, rect, look):
    """G-key bank indicator: bank A lit in the normal picture, bank B lit in the hover picture."""
    x, y, w, h = rect
    b = look == "over"
    pic.base.rrect(x, y, w, h, 5, fill=[("#101215", 0), ("#181a1e", 1)], stroke="#2a2e35", sw=1)
    for i, letter in enumerate("AB"):
        active = (i == 1) == b
        cx = x + 11 + i * 16
        if active:
            pic.glow.circle(cx, y + 24, 6, fill=T.ACCENT)
        pic.top.ctext(cx, y + 24, letter, 13, T.ACCENT if active else "#3c4048", "bold")


def draw_flip_indicator(pic, rect, look):
    x, y, w, h = rect
    alt = look in ("over", "down", "disable")
    pic.base.rrect(x, y, w, h, h / 2.0, fill=[("#101215", 0), ("#191b1f", 1)], stroke="#2a2e35", sw=1)
    pic.top.ctext(x + w / 2.0, y + h / 2.0, "\u21c4", 12, T.ACCENT if alt else T.TEXT_DIM, "bold")


def flip_button(glyph):
    def draw(pic, rect, look):
        x, y, w, h = rect
        fill, edge, col = T.BTN, T.BTN_EDGE, T.TEXT_DIM
        if look == "over":
            fill, edge, col = T.BTN_HOVER, T.ACCENT, T.ACCENT
        elif look == "down":
            fill, edge, col = T.BTN_DOWN, T.ACCENT_PRESSED, T.ACCENT_PRESSED
        elif look == "disable":
            fill, edge, col = T.BTN_DISABLED, "#23262b", T.TEXT_FAINT
        pic.base.rrect(x, y, w, h, h / 2.0, fill=fill, stroke=edge, sw=1)
        pic.top.ctext(x + w / 2.0, y + h / 2.0, glyph, 11, col, "regular")
    return draw


def rate_button(hz):
    def draw(pic, rect, look):
        x, y, w, h = rect
        fill, edge, col, sub = T.BTN, T.BTN_EDGE, T.TEXT, T.TEXT_FAINT
        if look == "over":
            fill, edge, col, sub = T.BTN_HOVER, T.ACCENT, T.ACCENT, T.ACCENT_DEEP
            W.glow_ring(pic, x, y, w, h, 6, T.ACCENT, 3)
        elif look == "down":
            fill, edge, col, sub = T.BTN_DOWN, T.ACCENT_PRESSED, T.ACCENT_PRESSED, T.ACCENT_DEEP
        elif look == "disable":  # checked: the rate in use
            fill, edge, col, sub = T.BTN_PRIMARY, "#ffb060", "#1a0f04", "#5a2d00"
            W.glow_ring(pic, x, y, w, h, 6, T.ACCENT, 4)
        pic.base.rrect(x, y, w, h, 6, fill=fill, stroke=edge, sw=1)
        pic.top.ctext(x + w / 2.0, y + 16, hz, 14, col, "bold")
        pic.top.ctext(x + w / 2.0, y + 31, "Hz", 8.5, sub, "condbold", spacing=1)
    return draw


# -- the scene -------------------------------------------------------------------------------------------

def draw_static(pic):
    """Everything that is not a control: frame, cards, keyboard case, footer."""
    W.window_frame(pic, WIDTH, HEIGHT, TITLE_H)
    c = pic.base
    # title bar: a thin divider after the version caption
    c.rect(180, 16, 1, 20, "#2b2f36")
    # profile bar: a hairline under the tabs
    c.rect(182, 113, 432, 1, [("#262a31", 0), ("#262a31", 0.8), ("#16181c", 1)], vertical=False)
    # keyboard case with its top bezel
    x, y, w, h = CASE
    c.rrect(x - 6, y - 4, w + 12, h + 12, 16, fill="#08090b")  # drop shadow
    c.rrect(x, y, w, h, 14, fill=[("#202328", 0), ("#141619", 1)], stroke="#2e323a", sw=1)
    c.line(x + 16, y + 1.5, x + w - 16, y + 1.5, "#3a3f48", 1)
    c.rrect(x + 14, y + 30, w - 28, h - 44, 8, fill="#0d0e11", stroke="#1f2227", sw=1)  # key well
    c.text(x + w / 2.0, y + 22, "K E L V A N E", 9, "#3a3e46", "condbold", "middle", spacing=2)
    c.text(x + w / 2.0 + 1, y + 23, "K E L V A N E", 9, "#0c0d10", "condbold", "middle", spacing=2)
    c.text(x + w / 2.0, y + 22, "K E L V A N E", 9, "#4a4f58", "condbold", "middle", spacing=2)
    # orange edge light along the case's front
    c.rect(x + 40, y + h - 2, w - 80, 1, [("#15171b", 0), (T.ACCENT_DEEP, 0.5), ("#15171b", 1)], vertical=False)
    # lighting panel and report-rate cards
    for cx, cy, cw, ch in (LIGHT_CARD, RATE_CARD):
        W.card(c, cx, cy, cw, ch, title_bar=True)
        c.rect(cx + 16, cy + 42, cw - 32, 1, T.HAIRLINE)
    # a spectrum strip in the lighting card's header, right of the effect list
    lx, ly, lw, lh = LIGHT_CARD
    spectrum = [(hue_colour(h), h / 300.0) for h in range(0, 301, 30)]
    c.rrect(lx + lw - 196, ly + 20, 170, 4, 2, fill=spectrum, vertical=False)
    c.text(lx + lw - 204, ly + 26, "RGB", 8.5, T.TEXT_FAINT, "condbold", "end", spacing=1)
    # a spectrum strip in the lighting card's header, right of the effect list
    lx, ly, lw, lh = LIGHT_CARD
    spectrum = [(hue_colour(h), h / 300.0) for h in range(0, 301, 30)]
    c.rrect(lx + lw - 196, ly + 20, 170, 4, 2, fill=spectrum, vertical=False)
    c.text(lx + lw - 204, ly + 26, "RGB", 8.5, T.TEXT_FAINT, "condbold", "end", spacing=1)
    rx, ry, rw, rh = RATE_CARD
    for i, (hz, ms) in enumerate(REPORT_RATES):
        c.ctext(rx + 13 + i * 80 + 36, ry + 105, ms, 9, T.TEXT_FAINT, "cond")
    # footer
    c.rect(0, FOOTER_Y, WIDTH, 1, [("#16181c", 0), ("#262a31", 0.15), ("#262a31", 0.85), ("#16181c", 1)], vertical=False)
    for i, icon in enumerate([W.icon_globe, W.icon_social_f, W.icon_social_bird]):
        bx = 30 + i * 36
        c.circle(bx + 15, 639, 14, fill="#1b1e23", stroke="#2b2f36")
        icon(c, bx, 624, 30, 30, T.TEXT_DIM)
    c.rrect(150, 636, 160, 8, 4, fill="#1b1e23")


def draw_scene(pic, look, layout):
    draw_static(pic)
    for key, (rect, drawer) in layout.items():
        control_look = look
        if look in ("unlit", "lit") and not (key.startswith("KEY_") or key.startswith("FUNC_G")):
            control_look = "normal"
        drawer(pic, rect, control_look)


def draw_arrow_picture(win, layout):
    """Arrow.jpg: the bare window with the Flip arrows, down where they stand and up 40 px to the right."""
    pic = win.picture("Arrow.jpg", shift=True, blur=2.5)
    draw_static(pic)
    for key in ("LEFT_ARROW", "RIGHT_ARROW"):
        x, y, w, h = win.rect(key)
        cx = x + w / 2.0
        pic.top.polygon([(cx - 4.5, y + 6), (cx + 4.5, y + 6), (cx, y + 11)], T.TEXT_FAINT)
        ux = x + ARROW_UP_DX + w / 2.0
        pic.top.polygon([(ux - 4.5, y + 10), (ux + 4.5, y + 10), (ux, y + 5)], T.ACCENT)
