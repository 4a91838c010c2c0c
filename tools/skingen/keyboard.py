"""The keyboard picture: where each of the 105 keys, the nine G-keys and Fn sit on a full-size board.

Positions are in key units (u) from the left edge of the main block; rows 0 (function row) to 5.
The board is the 104-key layout with the extra key (K45) beside a short left Shift and Fn in the bottom
row; G1-G5 form a column left of the main block and G6-G9 sit above the numeric pad.
"""

# Picture order: the key codes of the 105 picture keys, in the order every walk over the picture takes.
PICTURE_ORDER = [
    0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024,
    0x025, 0x026, 0x032, 0x031, 0x018, 0x019, 0x010, 0x013, 0x01F, 0x014,
    0x016, 0x02F, 0x011, 0x02D, 0x015, 0x02C, 0x002, 0x003, 0x004, 0x005,
    0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B, 0x01C, 0x001, 0x00E, 0x00F,
    0x039, 0x00C, 0x00D, 0x01A, 0x01B, 0x02B, 0x027, 0x028, 0x029, 0x033,
    0x034, 0x035, 0x03B, 0x03C, 0x03D, 0x03E, 0x03F, 0x040, 0x041, 0x042,
    0x043, 0x044, 0x057, 0x058, 0x137, 0x045, 0x152, 0x153, 0x147, 0x14F,
    0x149, 0x151, 0x148, 0x150, 0x14B, 0x14D, 0x046, 0x03A, 0x15D, 0x01D,
    0x11D, 0x02A, 0x036, 0x038, 0x138, 0x15B, 0x15C, 0x04F, 0x050, 0x051,
    0x04B, 0x04C, 0x04D, 0x047, 0x048, 0x049, 0x052, 0x145, 0x11C, 0x053,
    0x135, 0x037, 0x04A, 0x04E, 0x056,
]

FN = "FN"

# (key code or FN, row, column in u, width in u, height in rows, legend, second legend)
# The second legend is the shifted symbol (drawn above) or the numeric pad's navigation function (below).
KEYS = [
    # function row
    (0x001, 0, 0, 1, 1, "Esc", ""),
    (0x03B, 0, 2, 1, 1, "F1", ""), (0x03C, 0, 3, 1, 1, "F2", ""),
    (0x03D, 0, 4, 1, 1, "F3", ""), (0x03E, 0, 5, 1, 1, "F4", ""),
    (0x03F, 0, 6.5, 1, 1, "F5", ""), (0x040, 0, 7.5, 1, 1, "F6", ""),
    (0x041, 0, 8.5, 1, 1, "F7", ""), (0x042, 0, 9.5, 1, 1, "F8", ""),
    (0x043, 0, 11, 1, 1, "F9", ""), (0x044, 0, 12, 1, 1, "F10", ""),
    (0x057, 0, 13, 1, 1, "F11", ""), (0x058, 0, 14, 1, 1, "F12", ""),
    (0x137, 0, 15.5, 1, 1, "PrtSc", ""), (0x046, 0, 16.5, 1, 1, "ScrLk", ""),
    (0x045, 0, 17.5, 1, 1, "Pause", ""),
    # number row
    (0x029, 1, 0, 1, 1, "`", "~"),
    (0x002, 1, 1, 1, 1, "1", "!"), (0x003, 1, 2, 1, 1, "2", "@"), (0x004, 1, 3, 1, 1, "3", "#"),
    (0x005, 1, 4, 1, 1, "4", "$"), (0x006, 1, 5, 1, 1, "5", "%"), (0x007, 1, 6, 1, 1, "6", "^"),
    (0x008, 1, 7, 1, 1, "7", "&"), (0x009, 1, 8, 1, 1, "8", "*"), (0x00A, 1, 9, 1, 1, "9", "("),
    (0x00B, 1, 10, 1, 1, "0", ")"), (0x00C, 1, 11, 1, 1, "-", "_"), (0x00D, 1, 12, 1, 1, "=", "+"),
    (0x00E, 1, 13, 2, 1, "Backspace", ""),
    (0x152, 1, 15.5, 1, 1, "Insert", ""), (0x147, 1, 16.5, 1, 1, "Home", ""),
    (0x149, 1, 17.5, 1, 1, "PgUp", ""),
    (0x145, 1, 19, 1, 1, "Num", ""), (0x135, 1, 20, 1, 1, "/", ""), (0x037, 1, 21, 1, 1, "*", ""),
    (0x04A, 1, 22, 1, 1, "\u2212", ""),
    # top letter row
    (0x00F, 2, 0, 1.5, 1, "Tab", ""),
    (0x010, 2, 1.5, 1, 1, "Q", ""), (0x011, 2, 2.5, 1, 1, "W", ""), (0x012, 2, 3.5, 1, 1, "E", ""),
    (0x013, 2, 4.5, 1, 1, "R", ""), (0x014, 2, 5.5, 1, 1, "T", ""), (0x015, 2, 6.5, 1, 1, "Y", ""),
    (0x016, 2, 7.5, 1, 1, "U", ""), (0x017, 2, 8.5, 1, 1, "I", ""), (0x018, 2, 9.5, 1, 1, "O", ""),
    (0x019, 2, 10.5, 1, 1, "P", ""), (0x01A, 2, 11.5, 1, 1, "[", "{"), (0x01B, 2, 12.5, 1, 1, "]", "}"),
    (0x02B, 2, 13.5, 1.5, 1, "\\", "|"),
    (0x153, 2, 15.5, 1, 1, "Delete", ""), (0x14F, 2, 16.5, 1, 1, "End", ""),
    (0x151, 2, 17.5, 1, 1, "PgDn", ""),
    (0x047, 2, 19, 1, 1, "7", "Home"), (0x048, 2, 20, 1, 1, "8", "\u2191"), (0x049, 2, 21, 1, 1, "9", "PgUp"),
    (0x04E, 2, 22, 1, 2, "+", ""),
    # home row
    (0x03A, 3, 0, 1.75, 1, "Caps Lock", ""),
    (0x01E, 3, 1.75, 1, 1, "A", ""), (0x01F, 3, 2.75, 1, 1, "S", ""), (0x020, 3, 3.75, 1, 1, "D", ""),
    (0x021, 3, 4.75, 1, 1, "F", ""), (0x022, 3, 5.75, 1, 1, "G", ""), (0x023, 3, 6.75, 1, 1, "H", ""),
    (0x024, 3, 7.75, 1, 1, "J", ""), (0x025, 3, 8.75, 1, 1, "K", ""), (0x026, 3, 9.75, 1, 1, "L", ""),
    (0x027, 3, 10.75, 1, 1, ";", ":"), (0x028, 3, 11.75, 1, 1, "'", "\""),
    (0x01C, 3, 12.75, 2.25, 1, "Enter", ""),
    (0x04B, 3, 19, 1, 1, "4", "\u2190"), (0x04C, 3, 20, 1, 1, "5", ""), (0x04D, 3, 21, 1, 1, "6", "\u2192"),
    # bottom letter row
    (0x02A, 4, 0, 1.25, 1, "Shift", ""), (0x056, 4, 1.25, 1, 1, "K45", ""),
    (0x02C, 4, 2.25, 1, 1, "Z", ""), (0x02D, 4, 3.25, 1, 1, "X", ""), (0x02E, 4, 4.25, 1, 1, "C", ""),
    (0x02F, 4, 5.25, 1, 1, "V", ""), (0x030, 4, 6.25, 1, 1, "B", ""), (0x031, 4, 7.25, 1, 1, "N", ""),
    (0x032, 4, 8.25, 1, 1, "M", ""), (0x033, 4, 9.25, 1, 1, ",", "<"), (0x034, 4, 10.25, 1, 1, ".", ">"),
    (0x035, 4, 11.25, 1, 1, "/", "?"),
    (0x036, 4, 12.25, 2.75, 1, "Shift", ""),
    (0x148, 4, 16.5, 1, 1, "\u2191", ""),
    (0x04F, 4, 19, 1, 1, "1", "End"), (0x050, 4, 20, 1, 1, "2", "\u2193"), (0x051, 4, 21, 1, 1, "3", "PgDn"),
    (0x11C, 4, 22, 1, 2, "Enter", ""),
    # space row
    (0x01D, 5, 0, 1.25, 1, "Ctrl", ""), (0x15B, 5, 1.25, 1.25, 1, "Win", ""),
    (0x038, 5, 2.5, 1.25, 1, "Alt", ""), (0x039, 5, 3.75, 6.25, 1, "", ""),
    (0x138, 5, 10, 1, 1, "Alt", ""), (0x15C, 5, 11, 1, 1, "Win", ""), (FN, 5, 12, 1, 1, "Fn", ""),
    (0x15D, 5, 13, 1, 1, "Menu", ""), (0x11D, 5, 14, 1, 1, "Ctrl", ""),
    (0x14B, 5, 15.5, 1, 1, "\u2190", ""), (0x150, 5, 16.5, 1, 1, "\u2193", ""),
    (0x14D, 5, 17.5, 1, 1, "\u2192", ""),
    (0x052, 5, 19, 2, 1, "0", "Ins"), (0x053, 5, 21, 1, 1, ".", "Del"),
]

# G-keys: (number 1-9, row, column in u)
G_KEYS = [(1, 1, -1.5), (2, 2, -1.5), (3, 3, -1.5), (4, 4, -1.5), (5, 5, -1.5),
          (6, 0, 19), (7, 0, 20), (8, 0, 21), (9, 0, 22)]

# The bank indicator fills the function-row slot of the G column.
BANK_SLOT = (0, -1.5)


def key_index(code):
    """Key code to the slot index that names the key's layout entry ("KEY_%03X")."""
    if code < 0x100:
        return code
    if code < 0x200:
        return (code - 0x80) & 0xFF
    return code - 0x100


def layout_key(code):
    return "KEY_%03X" % key_index(code)


class Geometry:
    """Turns key units into window pixels."""

    def __init__(self, left, top, unit=42, gap=4, fn_row_gap=0.5):
        self.left = left      # x of the main block's first column
        self.top = top        # y of the function row
        self.unit = unit
        self.gap = gap
        self.fn_row_gap = fn_row_gap

    def row_y(self, row):
        extra = self.fn_row_gap if row >= 1 else 0
        return self.top + int(round((row + extra) * self.unit))

    def rect(self, row, col, w=1, h=1):
        x = self.left + int(round(col * self.unit))
        y = self.row_y(row)
        pw = int(round(w * self.unit)) - self.gap
        ph = int(round(h * self.unit)) - self.gap
        return (x, y, pw, ph)


def check_tables():
    codes = [k[0] for k in KEYS if k[0] != FN]
    assert len(codes) == 105, len(codes)
    assert sorted(codes) == sorted(PICTURE_ORDER), set(codes) ^ set(PICTURE_ORDER)
    assert len(set(codes)) == 105


check_tables()
