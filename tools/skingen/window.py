"""A window of the skin: its size, its layout entries and the pictures drawn for it."""

from mvg import Picture


class Window:
    def __init__(self, title, ini, w, h):
        self.title = title
        self.ini = ini
        self.w = w
        self.h = h
        self.screen = []        # (key, value)
        self.entries = []       # (key, (x, y, w, h)) for section BUTTONINFO, in placement order
        self.entries2 = []      # (key, (x, y, w, h)) for section BUTTONINFO2
        self.notes = []         # comment lines at the head of the layout file
        self.pictures = []      # Picture objects
        self.bitmaps = []       # Picture objects written as BMP (lighting panel)
        self._rects = {}

    def put(self, key, rect, section=1):
        rect = tuple(int(v) for v in rect)
        assert key not in self._rects or section == 2, "duplicate layout key " + key
        if section == 1:
            self.entries.append((key, rect))
            self._rects[key] = rect
        else:
            self.entries2.append((key, rect))
        return rect

    def rect(self, key):
        return self._rects[key]

    def picture(self, name, **kw):
        p = Picture(name, self.w, self.h, **kw)
        self.pictures.append(p)
        return p

    def mask(self, name, radius=12):
        p = Picture(name, self.w, self.h, bg="#ffffff")
        p.base.rrect(0, 0, self.w, self.h, radius, fill="#000000")
        self.pictures.append(p)
        return p

    def ini_text(self):
        out = []
        for note in self.notes:
            out.append("; " + note if note else ";")
        if self.notes:
            out.append("")
        out.append("[SCREEN]")
        for k, v in self.screen:
            out.append("%s=%s" % (k, v))
        out.append("")
        out.append("[BUTTONINFO]")
        for k, r in self.entries:
            out.append("%s=%d,%d,%d,%d" % ((k,) + r))
        if self.entries2:
            out.append("")
            out.append("[BUTTONINFO2]")
            for k, r in self.entries2:
                out.append("%s=%d,%d,%d,%d" % ((k,) + r))
        return "\r\n".join(out) + "\r\n"
