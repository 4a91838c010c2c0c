"""Drawing primitives: each picture is described as ImageMagick vector graphics (MVG) text.

A picture is made of three layers drawn in order: the base, a glow layer that is blurred before it is laid
over the base, and the top. Keeping the description as text makes it the thing the manifest hashes: the
same layout always gives the same text, whatever version of ImageMagick turns it into pixels.
"""

import math

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
FONTS = {
    "regular": FONT_DIR + "DejaVuSans.ttf",
    "bold": FONT_DIR + "DejaVuSans-Bold.ttf",
    "cond": FONT_DIR + "DejaVuSansCondensed.ttf",
    "condbold": FONT_DIR + "DejaVuSansCondensed-Bold.ttf",
}


def _q(text):
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


def _n(v):
    """Numbers print without noise so the text (and its hash) is stable."""
    if isinstance(v, float):
        s = "%.2f" % v
        s = s.rstrip("0").rstrip(".")
        return s if s != "-0" else "0"
    return str(v)


class Canvas:
    """One layer of a picture; collects MVG statements."""

    def __init__(self):
        self.lines = []
        self._grad = 0

    def raw(self, line):
        self.lines.append(line)

    def text_out(self):
        return "\n".join(self.lines) + "\n"

    # -- shapes -----------------------------------------------------------------------------------------
    def _gradient(self, x0, y0, x1, y1, stops):
        self._grad += 1
        name = "g%d" % self._grad
        self.raw("push defs")
        self.raw("push gradient '%s' linear %s,%s %s,%s" % (name, _n(x0), _n(y0), _n(x1), _n(y1)))
        for colour, at in stops:
            self.raw("stop-color '%s' %s" % (colour, _n(at)))
        self.raw("pop gradient")
        self.raw("pop defs")
        return "url(#%s)" % name

    def _paint(self, fill, stroke, sw, box, vertical=True):
        """fill: a colour, None, or a list of (colour, offset) stops for a gradient over the box."""
        self.raw("push graphic-context")
        if isinstance(fill, (list, tuple)):
            x0, y0, x1, y1 = box
            # the vector runs one pixel past the shape: ImageMagick wraps to the first stop on its last pixel
            if vertical:
                self.raw("fill '%s'" % self._gradient(x0, y0, x0, y1 + 1, fill))
            else:
                self.raw("fill '%s'" % self._gradient(x0, y0, x1 + 1, y0, fill))
        else:
            self.raw("fill %s" % (("'%s'" % fill) if fill else "none"))
        if stroke:
            self.raw("stroke '%s'" % stroke)
            self.raw("stroke-width %s" % _n(sw))
        else:
            self.raw("stroke none")

    def rrect(self, x, y, w, h, r, fill=None, stroke=None, sw=1, vertical=True):
        """Rounded rectangle over the pixels x..x+w-1, y..y+h-1; a stroke lies on the outermost pixels."""
        if w <= 0 or h <= 0:
            return
        if isinstance(fill, (list, tuple)) and len(fill) > 2:
            self._multi_stop(x, y, w, h, r, fill, vertical)
            if stroke:
                self.rrect(x, y, w, h, r, None, stroke, sw)
            return
        inset = sw / 2.0 if stroke else 0.0
        x0, y0 = x + inset, y + inset
        x1, y1 = x + w - inset, y + h - inset
        self._paint(fill, stroke, sw, (x, y, x + w, y + h), vertical)
        if r > 0:
            self.raw("roundrectangle %s,%s %s,%s %s,%s" % (_n(x0), _n(y0), _n(x1), _n(y1), _n(r), _n(r)))
        else:
            self.raw("rectangle %s,%s %s,%s" % (_n(x0), _n(y0), _n(x1), _n(y1)))
        self.raw("pop graphic-context")

    def _multi_stop(self, x, y, w, h, r, stops, vertical):
        """ImageMagick's vector gradients honour two stops only, so a gradient of more stops is drawn as
        one two-stop band per pair of stops. Rounded shapes of this kind must be horizontal pills: their
        round ends take the end colours."""
        if r > 0:
            assert not vertical and r >= h / 2.0 - 0.01, "multi-stop gradients fill rectangles and pills only"
            r = h / 2.0
            self.circle(x + r, y + r, r, fill=stops[0][0])
            self.circle(x + w - r, y + r, r, fill=stops[-1][0])
            x, w = x + r, w - 2 * r
        length = h if vertical else w
        for (c0, a), (c1, b) in zip(stops, stops[1:]):
            if b <= a:
                continue
            p0, p1 = length * a, length * b
            if vertical:
                self.rrect(x, y + p0, w, p1 - p0, 0, fill=[(c0, 0), (c1, 1)], vertical=True)
            else:
                self.rrect(x + p0, y, p1 - p0, h, 0, fill=[(c0, 0), (c1, 1)], vertical=False)

    def rect(self, x, y, w, h, fill, vertical=True):
        self.rrect(x, y, w, h, 0, fill=fill, vertical=vertical)

    def line(self, x0, y0, x1, y1, colour, sw=1):
        self.raw("push graphic-context")
        self.raw("stroke '%s'" % colour)
        self.raw("stroke-width %s" % _n(sw))
        self.raw("stroke-linecap round")
        self.raw("fill none")
        self.raw("line %s,%s %s,%s" % (_n(x0), _n(y0), _n(x1), _n(y1)))
        self.raw("pop graphic-context")

    def polyline(self, pts, colour, sw=1.5):
        self.raw("push graphic-context")
        self.raw("stroke '%s'" % colour)
        self.raw("stroke-width %s" % _n(sw))
        self.raw("stroke-linecap round")
        self.raw("stroke-linejoin round")
        self.raw("fill none")
        self.raw("polyline " + " ".join("%s,%s" % (_n(a), _n(b)) for a, b in pts))
        self.raw("pop graphic-context")

    def polygon(self, pts, fill, stroke=None, sw=1):
        box = (min(p[0] for p in pts), min(p[1] for p in pts), max(p[0] for p in pts), max(p[1] for p in pts))
        self._paint(fill, stroke, sw, box)
        self.raw("polygon " + " ".join("%s,%s" % (_n(a), _n(b)) for a, b in pts))
        self.raw("pop graphic-context")

    def circle(self, cx, cy, r, fill=None, stroke=None, sw=1):
        self._paint(fill, stroke, sw, (cx - r, cy - r, cx + r, cy + r))
        self.raw("circle %s,%s %s,%s" % (_n(cx), _n(cy), _n(cx + r), _n(cy)))
        self.raw("pop graphic-context")

    def arc(self, cx, cy, r, a0, a1, colour, sw=2):
        self.raw("push graphic-context")
        self.raw("stroke '%s'" % colour)
        self.raw("stroke-width %s" % _n(sw))
        self.raw("stroke-linecap round")
        self.raw("fill none")
        self.raw("arc %s,%s %s,%s %s,%s" % (_n(cx - r), _n(cy - r), _n(cx + r), _n(cy + r), _n(a0), _n(a1)))
        self.raw("pop graphic-context")

    def text(self, x, y, s, size, colour, font="regular", anchor="start", spacing=0, rotate=0):
        """Text with its baseline at y; anchor start, middle or end."""
        self.raw("push graphic-context")
        self.raw("font %s" % _q(FONTS[font]))
        self.raw("font-size %s" % _n(size))
        self.raw("fill '%s'" % colour)
        self.raw("stroke none")
        self.raw("text-antialias 1")
        if spacing:
            self.raw("kerning %s" % _n(spacing))
        self.raw("text-anchor %s" % anchor)
        if rotate:
            self.raw("translate %s,%s" % (_n(x), _n(y)))
            self.raw("rotate %s" % _n(rotate))
            x, y = 0, 0
        self.raw("text %s,%s %s" % (_n(x), _n(y), _q(s)))
        self.raw("pop graphic-context")

    def ctext(self, cx, cy, s, size, colour, font="regular", spacing=0):
        """Text centred on (cx, cy): the baseline sits a little below the centre line."""
        self.text(cx, cy + size * 0.36, s, size, colour, font, "middle", spacing)


class Picture:
    """A whole picture: size, background colour, the three layers and how it is written."""

    def __init__(self, name, w, h, bg="#000000", shift=False, blur=5.0, glow_opacity=1.0):
        self.name = name
        self.w = w
        self.h = h
        self.bg = bg
        self.shift = shift  # button pictures lie one pixel up and left of the buttons
        self.blur = blur
        self.base = Canvas()
        self.glow = Canvas()
        self.top = Canvas()

    def recipe(self):
        """The full description that decides every pixel; hashed into the manifest."""
        parts = ["picture %s %dx%d bg %s shift %d blur %s" % (self.name, self.w, self.h, self.bg,
                                                               1 if self.shift else 0, _n(self.blur))]
        for label, layer in (("base", self.base), ("glow", self.glow), ("top", self.top)):
            parts.append("[%s]" % label)
            parts.append(self._layer_text(layer))
        return "\n".join(parts)

    def _layer_text(self, layer):
        head = "viewbox 0 0 %d %d\npush graphic-context\n" % (self.w, self.h)
        if self.shift:
            head += "translate -1,-1\n"
        return head + layer.text_out() + "pop graphic-context\n"


def hue_colour(h, s=1.0, v=1.0):
    """HSV to '#rrggbb'; h in 0..360."""
    h = h % 360.0
    c = v * s
    x = c * (1 - abs((h / 60.0) % 2 - 1))
    m = v - c
    r, g, b = [(c, x, 0), (x, c, 0), (0, c, x), (0, x, c), (x, 0, c), (c, 0, x)][int(h // 60) % 6]
    return "#%02x%02x%02x" % (int(round((r + m) * 255)), int(round((g + m) * 255)), int(round((b + m) * 255)))


def mix(c0, c1, t):
    a = [int(c0[i:i + 2], 16) for i in (1, 3, 5)]
    b = [int(c1[i:i + 2], 16) for i in (1, 3, 5)]
    return "#%02x%02x%02x" % tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def deg(a):
    return math.radians(a)
