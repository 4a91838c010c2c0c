"""The three dialogs: key assignment (with its four pages), profile manager and firmware update."""

import math

import theme as T
import widgets as W
from window import Window

TITLE_H = 46


def build():
    return [composite(), profile(), update()]


def _frame(pic, win, title, subtitle=""):
    W.window_frame(pic, win.w, win.h, TITLE_H, "", subtitle)


def _title_picture(pic, rect, text, icon):
    x, y, w, h = rect
    pic.top.rrect(x + 4, y + 6, 4, h - 12, 2, fill=T.ACCENT)
    if icon:
        icon(pic.top, x + 14, y, 30, h, T.ACCENT)
    pic.top.text(x + 50, y + h / 2.0 + 5.5, text, 15, T.TEXT, "bold", spacing=1.5)


# -- key assignment dialog -------------------------------------------------------------------------------

COMPOSITE_SETS = [
    # (picture stem, page drawn in the page area, looks)
    ("key", "key", ("normal", "over", "down")),
    ("function", "function", ("normal", "over", "down")),
    ("macro", "macro", ("normal", "over", "down", "disable")),
    ("macro2", "macro", ("normal", "over", "down", "disable")),
    ("media", "media", ("normal", "over", "down")),
]


def composite():
    win = Window("composite", "Composite.ini", 600, 460)
    win.notes = ["Layout of the key assignment dialog (pages: single key, macro, multimedia, function).",
                 "Made by tools/skingen (python3 tools/skingen/skingen.py); edit the generator, not this file."]
    win.screen = [("Main", "composite_bg.jpg"), ("Mask", "composite_mask.bmp")]
    put = win.put
    buttons = {}

    def button(key, rect, drawer):
        put(key, rect)
        buttons[key] = (rect, drawer)

    mask = (16, 128, 568, 268)
    button("CONTROL_MASK", mask, None)
    button("CONTROL_TITLE", (14, 8, 320, 30), None)
    button("CONTROL_OSK", (548, 58, 36, 34), lambda p, r, l: W.button(p, r, l, icon=W.icon_keyboard, icon_box="full"))
    button("CONTROL_CLEAR", (506, 58, 38, 34), lambda p, r, l: W.button(p, r, l, icon=W.icon_eraser, icon_box="full"))
    for i, key in enumerate(["CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION"]):
        button(key, (16 + i * 122, 58, 118, 34), page_tab)
    button("CONTROL_OK", (376, 412, 100, 34), lambda p, r, l: W.button(p, r, l, style="primary"))
    button("CONTROL_CANCEL", (484, 412, 100, 34), lambda p, r, l: W.button(p, r, l))
    button("FUNC_MACRO_DELETE", (372, 160, 30, 26), lambda p, r, l: W.button(p, r, l, r=5, icon=W.icon_trash, icon_box="full"))
    button("FUNC_MACRO_ADD", (338, 160, 30, 26), lambda p, r, l: W.button(p, r, l, r=5, icon=W.icon_plus, icon_box="full"))
    button("FUNC_MACRO_UP_TOP", (420, 238, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_UP", (496, 238, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_DOWN", (420, 270, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_DOWN_BOTTOM", (496, 270, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_DELETE2", (420, 302, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_CLEAR", (496, 302, 72, 28), lambda p, r, l: W.button(p, r, l, r=5))
    button("FUNC_MACRO_RECORD", (420, 196, 148, 34), record_button)
    put("FUNC_MACRO_RECORD_DELAY", (420, 346, 18, 18))
    put("FUNC_MACRO_RECORD_DELAY2", (444, 345, 124, 20))
    put("FUNC_MACRO_MEMORY", (420, 368, 148, 26))
    put("FUNC_MACRO_LIST", (32, 162, 300, 220))
    put("FUNC_MACRO_LIST2", (32, 196, 370, 186))
    put("FUNC_MACRO_CYCLES", (420, 162, 70, 24))
    put("FUNC_MACRO_CYCLES_PROMPT", (420, 140, 148, 18))
    put("TISHI_SINGLE_STATIC", (40, 332, 520, 48))
    put("MARCO_NAME_SETTING", (32, 140, 300, 18))
    put("KEY_SETTING", (18, 100, 564, 22))
    put("MEDIA_SETTING_TISHI", (32, 140, 536, 20))
    put("FUNCTION_KEY_SETTING_TISHI", (32, 140, 536, 20))
    put("FUNC_KEY_INPUT", (44, 184, 512, 32))
    put("FUNC_MEDIA_SELECT", (32, 166, 360, 220))
    put("FUNC_FUNCTION_SELECT", (32, 166, 360, 220))
    put("FUNC_KEY_RADIO_KB", (40, 152, 18, 18))
    put("FUNC_KEY_RADIO_KB_STATIC", (64, 151, 260, 20))
    put("FUNC_KEY_RADIO_MOU", (40, 238, 18, 18))
    put("FUNC_KEY_RADIO_MOU_STATIC", (64, 237, 260, 20))

    bg = win.picture("composite_bg.jpg", shift=False, blur=2.5)
    draw_composite(win, bg, "key", "normal", "key", buttons)
    for stem, page, looks in COMPOSITE_SETS:
        for look in looks:
            pic = win.picture("%s_%s.jpg" % (stem, look), shift=True, blur=2.5)
            draw_composite(win, pic, stem, look, page, buttons)
    win.mask("composite_mask.bmp", radius=12)
    return win


def page_tab(pic, rect, look):
    # the pressed picture doubles as the chosen page's look
    if look == "down":
        W.button(pic, rect, "disable", style="tab", selected_look="selected")
    else:
        W.button(pic, rect, look, style="tab")


def record_button(pic, rect, look):
    W.button(pic, rect, look)
    x, y, w, h = rect
    dot = "#e0483c" if look != "disable" else "#5a3a38"
    if look in ("over", "down"):
        pic.glow.circle(x + 18, y + h / 2.0, 5, fill="#ff4a3a")
    pic.top.circle(x + 18, y + h / 2.0, 5, fill=dot)


def draw_composite(win, pic, stem, look, page, buttons):
    _frame(pic, win, "")
    c = pic.base
    mx, my, mw, mh = win.rect("CONTROL_MASK")
    W.card(c, mx, my, mw, mh)
    draw_page(pic, page, win)
    # the title's words are the program's (the key's name, from the language file), drawn over it
    _title_picture(pic, win.rect("CONTROL_TITLE"), "", W.icon_keyboard)
    c.rect(16, 124, 568, 1, T.HAIRLINE)
    general = ("CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION", "CONTROL_CLEAR",
               "CONTROL_OSK", "CONTROL_OK", "CONTROL_CANCEL")
    for key, (rect, drawer) in buttons.items():
        if drawer is None:
            continue
        # the macro page's buttons lie inside the page picture: only the macro sets may hold them, or the
        # other pages' pictures would show stray buttons; the general buttons lie outside it
        if key not in general and stem not in ("macro", "macro2"):
            continue
        button_look = look
        if stem == "macro2" and key in ("CONTROL_KEY", "CONTROL_MEDIA", "CONTROL_FUNCTION", "CONTROL_CLEAR"):
            button_look = "disable"  # the macro-only form offers no other page
        drawer(pic, rect, button_look)


def draw_page(pic, page, win):
    c = pic.base
    mx, my, mw, mh = win.rect("CONTROL_MASK")
    if page == "key":
        x, y, w, h = win.rect("FUNC_KEY_INPUT")
        c.rrect(x - 6, y - 4, w + 12, h + 8, 6, fill="#0e1013", stroke=T.ACCENT_DEEP, sw=1)
        _watermark_keyboard(c, mx + mw - 150, my + 120)
        c.rect(40, 322, 520, 1, T.HAIRLINE)
    elif page == "macro":
        for key in ("FUNC_MACRO_LIST2",):
            x, y, w, h = win.rect(key)
            c.rrect(x - 2, y - 2, w + 4, h + 4, 6, fill="#0e1013", stroke=T.CARD_EDGE_HI, sw=1)
        c.rect(412, 140, 1, 244, T.HAIRLINE)
        c.rect(420, 336, 148, 1, T.HAIRLINE)
    else:
        x, y, w, h = win.rect("FUNC_MEDIA_SELECT")
        c.rrect(x - 2, y - 2, w + 4, h + 4, 6, fill="#0e1013", stroke=T.CARD_EDGE_HI, sw=1)
        cx, cy = mx + mw - 96, my + 150
        if page == "media":
            _watermark_note(c, cx, cy)
        else:
            _watermark_gear(c, cx, cy)


def _watermark_keyboard(c, x, y):
    col = "#1f2329"
    c.rrect(x, y, 120, 62, 8, stroke=col, sw=3)
    for row in range(3):
        for i in range(7):
            c.rrect(x + 10 + i * 15, y + 10 + row * 14, 11, 10, 2, fill=col)
    c.rrect(x + 30, y + 50, 60, 6, 2, fill=col)


def _watermark_note(c, cx, cy):
    col = "#1f2329"
    c.circle(cx - 18, cy + 30, 13, fill=col)
    c.circle(cx + 30, cy + 20, 13, fill=col)
    c.rect(cx - 8, cy - 40, 6, 70, col)
    c.rect(cx + 40, cy - 50, 6, 70, col)
    c.polygon([(cx - 8, cy - 40), (cx + 46, cy - 50), (cx + 46, cy - 36), (cx - 8, cy - 26)], col)


def _watermark_gear(c, cx, cy):
    col = "#1f2329"
    pts = []
    for i in range(32):
        a = math.radians(i * 360.0 / 32)
        r = 52 if (i // 2) % 2 == 0 else 40
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    c.polygon(pts, col)
    c.circle(cx, cy, 16, fill=T.CARD)


# -- profile manager -------------------------------------------------------------------------------------

def profile():
    win = Window("profile", "Profile.ini", 540, 380)
    win.notes = ["Layout of the profile manager.",
                 "Made by tools/skingen (python3 tools/skingen/skingen.py); edit the generator, not this file."]
    win.screen = [("Main", "profile_bg.jpg"), ("Mask", "profile_mask.bmp")]
    buttons = [
        ("CONTROL_OK", (300, 324, 72, 34), "OK", "plain"),
        ("CONTROL_CANCEL", (376, 324, 72, 34), "Cancel", "plain"),
        ("CONTROL2_APPLY", (452, 324, 72, 34), "Apply", "primary"),
        ("FUNC_ADD", (16, 324, 88, 34), "Add", "plain"),
        ("FUNC_LOAD", (110, 324, 88, 34), "Load", "plain"),
        ("FUNC_DELETE", (204, 324, 88, 34), "Delete", "plain"),
    ]
    for key, rect, _, _ in buttons:
        win.put(key, rect)
    win.put("PROGRAM_LIST", (18, 62, 504, 244))

    def draw(pic, look):
        _frame(pic, win, "")
        _title_picture(pic, (14, 8, 320, 30), "PROFILE MANAGER", _icon_layers)
        x, y, w, h = win.rect("PROGRAM_LIST")
        pic.base.rrect(x - 2, y - 2, w + 4, h + 4, 8, fill="#0e1013", stroke=T.CARD_EDGE_HI, sw=1)
        pic.base.rect(16, 316, 508, 1, T.HAIRLINE)
        for key, rect, label, style in buttons:
            W.button(pic, rect, look, label, style=style, label_size=11.5)

    draw(win.picture("profile_bg.jpg", shift=False, blur=2.5), "normal")
    for look, name in (("normal", "Profile_normal.jpg"), ("over", "Profile_over.jpg"), ("down", "Profile_down.jpg")):
        draw(win.picture(name, shift=True, blur=2.5), look)
    win.mask("profile_mask.bmp", radius=12)
    return win


def _icon_layers(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    for d in (5, 0, -5):
        c.polygon([(cx - 9, cy + d), (cx, cy + d - 4.5), (cx + 9, cy + d), (cx, cy + d + 4.5)],
                  "#16191e" if d != -5 else None, col, 1.4)


# -- firmware update -------------------------------------------------------------------------------------

def update():
    win = Window("update", "UpdateDlg.ini", 480, 250)
    win.notes = ["Layout of the firmware update dialog.",
                 "Made by tools/skingen (python3 tools/skingen/skingen.py); edit the generator, not this file."]
    win.screen = [("Main", "update_bg.jpg"), ("Mask", "update_mask.bmp")]
    buttons = [
        ("CONTROL_CUPButton", (356, 196, 100, 34), "Cancel", "plain"),
        ("CONTROL_UPButton", (248, 196, 100, 34), "Update", "primary"),
        ("CONTROL_OPENButton", (364, 88, 92, 30), "Browse\u2026", "plain"),
        ("CONTROL_BACKUPButton", (24, 196, 150, 34), "Back up profiles", "plain"),
    ]
    for key, rect, _, _ in buttons:
        win.put(key, rect)
    win.put("CONTROL_UPStatic", (24, 64, 432, 20))
    win.put("CONTROL_UPCombox", (24, 90, 332, 140))

    def draw(pic, look):
        _frame(pic, win, "")
        _title_picture(pic, (14, 8, 320, 30), "FIRMWARE UPDATE", _icon_chip)
        pic.base.rrect(22, 88, 336, 30, 6, fill="#0e1013", stroke=T.CARD_EDGE_HI, sw=1)
        pic.base.rrect(24, 134, 432, 44, 8, fill=T.ACCENT_DARK, stroke="#5a3310", sw=1)
        pic.base.ctext(44, 156, "!", 16, T.ACCENT, "bold")
        pic.base.text(64, 152, "The keyboard restarts in its boot loader. Keep it connected", 10.5, T.ACCENT_SOFT, "regular")
        pic.base.text(64, 168, "until the updater has finished.", 10.5, T.ACCENT_SOFT, "regular")
        for key, rect, label, style in buttons:
            W.button(pic, rect, look, label, style=style, label_size=11.5)

    draw(win.picture("update_bg.jpg", shift=False, blur=2.5), "normal")
    for look, name in (("normal", "update_normal.jpg"), ("over", "update_over.jpg")):
        draw(win.picture(name, shift=True, blur=2.5), look)
    win.mask("update_mask.bmp", radius=12)
    return win


def _icon_chip(c, x, y, w, h, col):
    cx, cy = x + w / 2.0, y + h / 2.0
    c.rrect(cx - 7, cy - 7, 14, 14, 2, stroke=col, sw=1.5)
    for d in (-4, 0, 4):
        c.line(cx + d, cy - 10, cx + d, cy - 8, col, 1.4)
        c.line(cx + d, cy + 8, cx + d, cy + 10, col, 1.4)
        c.line(cx - 10, cy + d, cx - 8, cy + d, col, 1.4)
        c.line(cx + 8, cy + d, cx + 10, cy + d, col, 1.4)
