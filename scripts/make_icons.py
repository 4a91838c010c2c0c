#!/usr/bin/env python3
"""Draws the three notification-area pictures of Kelvane.exe with ImageMagick and writes them as
multi-size .ico files (16, 20, 24, 32, 48 and 256 pixels) into resources/icons/:

  kelvane.ico           (128) no keyboard: a grey keyboard with white keys
  keyboard_attached.ico (141) keyboard attached: a dark keyboard with an orange rim and orange keys
  keyboard_busy.ico     (142) keyboard busy: the attached picture with a yellow activity badge

Each size is drawn on its own grid, so the small sizes stay sharp: fewer, larger keys at 16-24 pixels.
Run: python3 scripts/make_icons.py   (needs ImageMagick's `convert`)."""
import os
import subprocess
import tempfile

SIZES = [16, 20, 24, 32, 48, 256]
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "icons")

LOOKS = {
    "kelvane": dict(body="#8a9099", rim="#d8dce0", key="#ffffff", accent="#ffffff", badge=False),
    "keyboard_attached": dict(body="#26282c", rim="#ff7a00", key="#f2f2f2", accent="#ff7a00", badge=False),
    "keyboard_busy": dict(body="#26282c", rim="#ff7a00", key="#f2f2f2", accent="#ff7a00", badge=True),
}


def draw(size, look, path):
    s = size / 32.0
    small = size <= 24
    # Keyboard body: a wide rounded rectangle in the middle of the square.
    x0, y0, x1, y1 = 0.5 * s, 8 * s, 31.5 * s, 25 * s
    if small:  # taller at tray size, so the keys stay readable
        y0, y1 = 5 * s, 27 * s
    rim = max(1.0, 1.2 * s)
    cmds = [
        "-fill", look["body"], "-stroke", look["rim"], "-strokewidth", "%.2f" % rim,
        "-draw", "roundrectangle %.2f,%.2f %.2f,%.2f %.2f,%.2f" % (x0, y0, x1, y1, 2.5 * s, 2.5 * s),
        "-stroke", "none",
    ]
    # Keys: a grid of rows; the space bar at the bottom in the accent colour.
    cols, rows = (5, 2) if small else (9, 3)
    pad = 3 * s
    gx0, gx1 = x0 + pad, x1 - pad
    gy0, gy1 = y0 + pad, y1 - pad - (3.2 * s)
    kw = (gx1 - gx0) / cols
    kh = (gy1 - gy0) / rows
    gap = max(1.0, 0.9 * s) if not small else 1.0
    for r in range(rows):
        for c in range(cols):
            kx, ky = gx0 + c * kw, gy0 + r * kh
            colour = look["accent"] if (r == 0 and c == 0) else look["key"]
            cmds += ["-fill", colour, "-draw", "rectangle %.2f,%.2f %.2f,%.2f" %
                     (kx, ky, kx + kw - gap, ky + kh - gap)]
    sy = gy1 + 0.4 * s
    cmds += ["-fill", look["accent"], "-draw", "rectangle %.2f,%.2f %.2f,%.2f" %
             (gx0 + 2 * kw, sy, gx1 - 2 * kw - gap, sy + max(1.0, 1.8 * s))]
    if look["badge"]:
        # Activity mark: a yellow disc with a dark hourglass in the upper right corner.
        cx, cy, rad = 24 * s, 8 * s, 7.5 * s
        cmds += ["-fill", "#ffd400", "-stroke", "#26282c", "-strokewidth", "%.2f" % max(1.0, 1.0 * s),
                 "-draw", "circle %.2f,%.2f %.2f,%.2f" % (cx, cy, cx + rad, cy), "-stroke", "none",
                 "-fill", "#26282c",
                 "-draw", "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f" % (cx - 3.6 * s, cy - 4.2 * s, cx + 3.6 * s,
                                                                   cy - 4.2 * s, cx, cy),
                 "-draw", "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f" % (cx - 3.6 * s, cy + 4.2 * s, cx + 3.6 * s,
                                                                   cy + 4.2 * s, cx, cy)]
    subprocess.run(["convert", "-size", "%dx%d" % (size, size), "xc:none"] + cmds + [path], check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, look in LOOKS.items():
            pngs = []
            for size in SIZES:
                p = os.path.join(tmp, "%s_%d.png" % (name, size))
                draw(size, look, p)
                pngs.append(p)
            subprocess.run(["convert"] + pngs + [os.path.join(OUT, name + ".ico")], check=True)
            # A preview sheet for looking at the sizes side by side (not shipped).
            subprocess.run(["convert"] + pngs[:-1] + ["-bordercolor", "#c0c0c0", "-border", "4",
                                                        "-background", "#c0c0c0", "-gravity", "center", "+append",
                                                        os.path.join(tmp, name + "_sheet.png")], check=True)
        if os.environ.get("KV_ICON_PREVIEW"):
            sheets = [os.path.join(tmp, n + "_sheet.png") for n in LOOKS]
            subprocess.run(["convert"] + sheets + ["-append", "-scale", "400%", os.environ["KV_ICON_PREVIEW"]],
                           check=True)


if __name__ == "__main__":
    main()
