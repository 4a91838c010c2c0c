#!/usr/bin/env python3
"""Makes the program's skin: the layout files and every picture of resources/dist/Skins, from one description.

    python3 tools/skingen/skingen.py           regenerate the layout files, the pictures and the manifest
    python3 tools/skingen/skingen.py --check   fail when the committed skin differs from what this script makes

The pictures are drawn by ImageMagick from vector descriptions. The manifest (tools/skingen/manifest.txt)
records, per picture, its size, a hash of its description and a hash of the committed file, so the check
needs neither ImageMagick nor fonts and does not depend on how a given ImageMagick version rounds pixels:
a layout change without a new run, or a picture edited by hand, is caught either way.
"""

import hashlib
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import dialogs  # noqa: E402
import main_window  # noqa: E402
import panel_bitmaps  # noqa: E402
from mvg import mix  # noqa: E402
import theme as T  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
SKINS = os.path.join(ROOT, "resources", "dist", "Skins")
MANIFEST = os.path.join(HERE, "manifest.txt")
# Files other generators place in the skin folder, left alone here: the factory profile settings file
# (scripts/make_settings_template.py).
OTHER_FILES = {"UserDengColor_3.userd"}


def build_all():
    bitmaps = panel_bitmaps.build(footer_bg=mix(T.BG_TOP, T.BG_BOTTOM, 640.0 / main_window.HEIGHT))
    sizes = {b.name: (b.w, b.h) for b in bitmaps}
    windows = [main_window.build(sizes)] + dialogs.build()
    windows[0].bitmaps = bitmaps
    return windows


def all_pictures(windows):
    pics = []
    for w in windows:
        pics += w.pictures + w.bitmaps
    names = [p.name for p in pics]
    dup = {n for n in names if names.count(n) > 1}
    assert not dup, "picture drawn twice: %s" % sorted(dup)
    return pics


def ours(name):
    """Pictures and layout files are the generator's; other files of the folder (the colour-set template)
    ship from elsewhere and are left alone."""
    return os.path.splitext(name)[1].lower() in (".jpg", ".bmp", ".ini")


def sha(data):
    return hashlib.sha256(data).hexdigest()[:20]


def manifest_text(pics, file_hashes):
    lines = ["# picture\tsize\tdescription hash\tfile hash (made by tools/skingen/skingen.py)"]
    for p in sorted(pics, key=lambda p: p.name.lower()):
        lines.append("%s\t%dx%d\t%s\t%s" % (p.name, p.w, p.h, sha(p.recipe().encode("utf-8")),
                                            file_hashes.get(p.name, "-")))
    return "\n".join(lines) + "\n"


# -- rendering -------------------------------------------------------------------------------------------

def render(pic, out_path, tmp):
    layers = []
    for label, layer in (("base", pic.base), ("glow", pic.glow), ("top", pic.top)):
        path = os.path.join(tmp, "%s.%s.mvg" % (pic.name, label))
        with open(path, "w", encoding="utf-8") as f:
            f.write(pic._layer_text(layer))
        layers.append((label, path, bool(layer.lines)))
    cmd = ["convert", "-size", "%dx%d" % (pic.w, pic.h), "xc:" + pic.bg]
    for label, path, used in layers:
        if not used:
            continue
        cmd += ["(", "-background", "none", "mvg:" + path]
        if label == "glow":
            cmd += ["-blur", "0x%s" % pic.blur, "-channel", "A", "-evaluate", "multiply", "0.85", "+channel"]
        cmd += [")", "-composite"]
    cmd += ["-strip", "-alpha", "off"]
    if pic.name.lower().endswith(".jpg"):
        cmd += ["-quality", "95", "-sampling-factor", "1x1", out_path]
    else:
        cmd += ["-type", "TrueColor", "BMP3:" + out_path]
    subprocess.run(cmd, check=True)


def generate():
    windows = build_all()
    pics = all_pictures(windows)
    os.makedirs(SKINS, exist_ok=True)
    keep = {w.ini for w in windows} | {p.name for p in pics} | OTHER_FILES
    for name in os.listdir(SKINS):
        if name not in keep:
            os.remove(os.path.join(SKINS, name))
    for w in windows:
        with open(os.path.join(SKINS, w.ini), "w", encoding="utf-8", newline="") as f:
            f.write(w.ini_text())
    hashes = {}
    with tempfile.TemporaryDirectory() as tmp:
        for i, p in enumerate(pics):
            out = os.path.join(SKINS, p.name)
            render(p, out, tmp)
            with open(out, "rb") as f:
                hashes[p.name] = sha(f.read())
            sys.stdout.write("\r%d/%d %s          " % (i + 1, len(pics), p.name))
            sys.stdout.flush()
    sys.stdout.write("\n")
    with open(MANIFEST, "w", encoding="utf-8") as f:
        f.write(manifest_text(pics, hashes))
    print("wrote %d layout files and %d pictures to %s" % (len(windows), len(pics), SKINS))


# -- checking --------------------------------------------------------------------------------------------

def image_size(path):
    """Width and height from a JPEG's frame header or a BMP's info header."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] == b"BM":
        w, h = struct.unpack("<ii", data[18:26])
        return w, abs(h)
    if data[:2] == b"\xff\xd8":
        i = 2
        while i + 9 < len(data):
            if data[i] != 0xFF:
                return None
            marker = data[i + 1]
            length = struct.unpack(">H", data[i + 2:i + 4])[0]
            if marker in (0xC0, 0xC1, 0xC2):
                h, w = struct.unpack(">HH", data[i + 5:i + 9])
                return w, h
            i += 2 + length
    return None


def check():
    problems = []
    windows = build_all()
    pics = all_pictures(windows)
    for w in windows:
        path = os.path.join(SKINS, w.ini)
        try:
            with open(path, "r", encoding="utf-8", newline="") as f:
                have = f.read()
        except OSError:
            have = None
        if have != w.ini_text():
            problems.append("%s differs from what the generator makes" % w.ini)
    try:
        with open(MANIFEST, "r", encoding="utf-8") as f:
            recorded = f.read()
    except OSError:
        recorded = ""
    rows = {}
    for line in recorded.splitlines():
        if line and not line.startswith("#"):
            name, size, recipe, filehash = line.split("\t")
            rows[name] = (size, recipe, filehash)
    want = manifest_text(pics, {name: row[2] for name, row in rows.items()})
    if want != recorded:
        problems.append("manifest.txt differs: the pictures' descriptions changed without a new run")
    for name, (size, recipe, filehash) in sorted(rows.items()):
        path = os.path.join(SKINS, name)
        if not os.path.exists(path):
            problems.append("%s is missing" % name)
            continue
        with open(path, "rb") as f:
            if sha(f.read()) != filehash:
                problems.append("%s is not the picture the generator made" % name)
        got = image_size(path)
        if got is None or "%dx%d" % got != size:
            problems.append("%s has size %s, expected %s" % (name, got, size))
    known = set(rows) | {w.ini for w in windows} | OTHER_FILES
    for name in sorted(os.listdir(SKINS)):
        if ours(name) and name not in known:
            problems.append("%s is in the skin folder but not made by the generator" % name)
    if problems:
        for p in problems:
            print("skin out of date: " + p)
        print("run: python3 tools/skingen/skingen.py")
        return 1
    print("skin up to date: %d layout files, %d pictures" % (len(windows), len(rows)))
    return 0


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] == "--check":
        sys.exit(check())
    if len(sys.argv) > 1:
        print(__doc__)
        sys.exit(2)
    generate()
