"""Colours of the skin: a dark graphite surface with one orange accent.

The accent tones match the caption colours the program draws with (hover 255,130,0; pressed 255,155,4).
"""

BG_TOP = "#15171c"
BG_BOTTOM = "#0b0c0f"
TITLE_TOP = "#1c1f25"
TITLE_BOTTOM = "#121419"
CARD = "#16191e"          # flat: the lighting panel's bitmaps sit on it and must match exactly
CARD_EDGE = "#262a31"
CARD_EDGE_HI = "#30353d"
HAIRLINE = "#22262c"

ACCENT = "#ff8200"        # hover caption colour
ACCENT_PRESSED = "#ff9b04"
ACCENT_DEEP = "#b35400"
ACCENT_DARK = "#3d2106"
ACCENT_SOFT = "#ffb366"

TEXT = "#e6e8eb"
TEXT_DIM = "#8b919a"
TEXT_FAINT = "#5a6069"

# key caps
CAP_BODY = [("#24272d", 0), ("#141619", 1)]
CAP_EDGE = "#060708"
CAP_FACE = [("#30343b", 0), ("#24272d", 1)]
CAP_FACE_HOVER = [("#383c44", 0), ("#2a2e35", 1)]
CAP_FACE_DOWN = [("#1d2024", 0), ("#22252a", 1)]
CAP_LEGEND = "#dde0e4"
CAP_SUBLEGEND = "#8d939c"

# controls
BTN = [("#262a31", 0), ("#1b1e23", 1)]
BTN_HOVER = [("#2e2a26", 0), ("#211d1a", 1)]
BTN_DOWN = [("#1a1613", 0), ("#231c15", 1)]
BTN_EDGE = "#343941"
BTN_DISABLED = [("#1c1e22", 0), ("#17191c", 1)]
BTN_PRIMARY = [("#ff8f1a", 0), ("#e06a00", 1)]
BTN_PRIMARY_HOVER = [("#ffa53f", 0), ("#f27a05", 1)]
BTN_PRIMARY_DOWN = [("#c85f00", 0), ("#e07000", 1)]
SELECTED = [("#3a250f", 0), ("#24180c", 1)]
