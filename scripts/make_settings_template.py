#!/usr/bin/env python3
"""Writes resources/dist/Skins/UserDengColor_3.userd, the factory profile settings file.

Ten named colour sets for the custom lighting effect; every set lists all 126 key numbers. Uniform sets
make every key follow the set's base colour; the last two paint each key its own colour. The file is
UTF-16LE with a byte order mark and CR LF line ends, the form the private-profile functions keep Unicode
INI files in. Run it again after changing the sets: the output is the same bytes for the same input.
"""
import colorsys
import pathlib

KEYS = 126
# name, base colour (r, g, b), paint colour, per-key colour function or None (follow the base colour)
UNIFORM = [
    ("Red", (255, 0, 0)),
    ("Orange", (255, 96, 0)),
    ("Yellow", (255, 200, 0)),
    ("Green", (0, 255, 0)),
    ("Cyan", (0, 220, 255)),
    ("Blue", (0, 0, 255)),
    ("Purple", (160, 0, 255)),
    ("White", (255, 255, 255)),
]


def rainbow(key):
    r, g, b = colorsys.hsv_to_rgb((key % 21) / 21.0, 1.0, 1.0)
    return round(r * 255), round(g * 255), round(b * 255)


def ocean(key):
    t = key / (KEYS - 1)
    return 0, round(80 + 140 * t), round(255 - 100 * t)


SETS = [(name, base, (255, 255, 255), None) for name, base in UNIFORM]
SETS += [("Rainbow", (255, 0, 0), (255, 255, 255), rainbow), ("Ocean", (0, 80, 255), (0, 255, 200), ocean)]
assert len(SETS) == 10


def lines():
    yield "[PRESENTMODE]"
    yield "mode=0"
    yield "[MODENAME]"
    for i, (name, *_rest) in enumerate(SETS):
        yield f"{i}={name}"
    for i, (_name, base, paint, own) in enumerate(SETS):
        yield f"[Mode{i}]"
        yield "tool=0"
        yield "jcolor=%d,%d,%d" % base
        yield "color=%d,%d,%d" % paint
        for key in range(KEYS):
            if own is None:
                yield "%d=%d,%d,%d,1" % ((key,) + base)
            else:
                yield "%d=%d,%d,%d,0" % ((key,) + own(key))


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    out = root / "resources" / "dist" / "Skins" / "UserDengColor_3.userd"
    out.parent.mkdir(parents=True, exist_ok=True)
    text = "".join(line + "\r\n" for line in lines())
    out.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
    print(out)


if __name__ == "__main__":
    main()
