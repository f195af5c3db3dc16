"""Small pixel canvas and BMP writers for the skin generator (Python standard library only)."""

import struct

KEY = (255, 0, 255)  # see-through in every skin image


class Img:
    """An RGB picture; pixels are (r, g, b) tuples, rows top to bottom."""

    def __init__(self, w, h, fill=KEY):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def fill_rect(self, x, y, w, h, c):
        for yy in range(max(0, y), min(self.h, y + h)):
            for xx in range(max(0, x), min(self.w, x + w)):
                self.px[yy][xx] = c

    def blit(self, src, dx, dy, keyed=False):
        """Copies src at (dx, dy); with keyed, src's key pixels leave this picture alone."""
        for y in range(src.h):
            for x in range(src.w):
                c = src.px[y][x]
                if keyed and c == KEY:
                    continue
                self.set(dx + x, dy + y, c)

    def crop(self, x, y, w, h):
        out = Img(w, h)
        for yy in range(h):
            out.px[yy] = list(self.px[y + yy][x:x + w])
        return out

    def flipped_v(self):
        out = Img(self.w, self.h)
        out.px = [list(r) for r in reversed(self.px)]
        return out

    def transposed(self):
        out = Img(self.h, self.w)
        for y in range(self.h):
            for x in range(self.w):
                out.px[x][y] = self.px[y][x]
        return out

    def rotated_left(self):
        """Quarter turn anticlockwise."""
        out = Img(self.h, self.w)
        for y in range(out.h):
            for x in range(out.w):
                out.px[y][x] = self.px[x][self.w - 1 - y]
        return out

    def rotated_right(self):
        """Quarter turn clockwise."""
        out = Img(self.h, self.w)
        for y in range(out.h):
            for x in range(out.w):
                out.px[y][x] = self.px[self.h - 1 - x][y]
        return out


def hstrip(frames):
    out = Img(sum(f.w for f in frames), max(f.h for f in frames))
    x = 0
    for f in frames:
        out.blit(f, x, 0)
        x += f.w
    return out


def vstrip(frames):
    out = Img(max(f.w for f in frames), sum(f.h for f in frames))
    y = 0
    for f in frames:
        out.blit(f, 0, y)
        y += f.h
    return out


def mix(a, b, t):
    """Colour a moved by t (0..1) towards b."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def glyph(rows):
    """A glyph from text rows: 'X' marks a pixel."""
    return [(x, y) for y, row in enumerate(rows) for x, ch in enumerate(row) if ch == 'X']


def draw_glyph(img, rows, x0, y0, colour):
    for x, y in glyph(rows):
        img.set(x0 + x, y0 + y, colour)


def glyph_size(rows):
    return max(len(r) for r in rows), len(rows)


def draw_glyph_centred(img, rows, colour, dx=0, dy=0):
    w, h = glyph_size(rows)
    draw_glyph(img, rows, (img.w - w) // 2 + dx, (img.h - h) // 2 + dy, colour)


def turn_rows(rows, quarter_turns_clockwise):
    w, h = glyph_size(rows)
    grid = [[rows[y][x] if x < len(rows[y]) else '.' for x in range(w)] for y in range(h)]
    for _ in range(quarter_turns_clockwise % 4):
        h, w = w, h
        grid = [[grid[len(grid) - 1 - x][y] for x in range(w)] for y in range(h)]
    return [''.join(r) for r in grid]


def inside_rounded(x, y, w, h, r):
    """Whether pixel (x, y) lies inside a w x h rectangle with corners of radius r."""
    if r <= 0:
        return 0 <= x < w and 0 <= y < h
    cx = r if x < r else (w - 1 - r if x > w - 1 - r else None)
    cy = r if y < r else (h - 1 - r if y > h - 1 - r else None)
    if cx is None or cy is None:
        return 0 <= x < w and 0 <= y < h
    # Pixel centres against a circle through the corner pixels' centres, slightly widened.
    dx = x - cx
    dy = y - cy
    return dx * dx + dy * dy <= r * r + r * 0.8


def rounded_box(w, h, r, border, top, bottom=None, highlight=None):
    """A rounded box: 1-pixel border, a vertical fill gradient, an optional top highlight;
    key colour outside the corners."""
    bottom = bottom or top
    img = Img(w, h)
    for y in range(h):
        fill = mix(top, bottom, y / max(1, h - 1))
        for x in range(w):
            if not inside_rounded(x, y, w, h, r):
                continue
            edge = any(not (0 <= x + ex < w and 0 <= y + ey < h and inside_rounded(x + ex, y + ey, w, h, r))
                       for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            if edge:
                img.set(x, y, border)
            elif highlight is not None and y == 1:
                img.set(x, y, highlight)
            else:
                img.set(x, y, fill)
    return img


def circle_box(size, border, fill, dot=None, dot_radius=0):
    img = Img(size, size)
    c = (size - 1) / 2.0
    rr = (size / 2.0) ** 2
    for y in range(size):
        for x in range(size):
            d = (x - c) ** 2 + (y - c) ** 2
            if d > rr:
                continue
            inner = (size / 2.0 - 1.2) ** 2
            img.set(x, y, border if d > inner else fill)
            if dot is not None and d <= (dot_radius + 0.3) ** 2:
                img.set(x, y, dot)
    return img


def _file_header(size, offset):
    return b'BM' + struct.pack('<IHHI', size, 0, 0, offset)


def _info_header(w, h, bits, image_size, colours):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, 0, image_size, 2835, 2835, colours, 0)


def bmp24(img):
    stride = (img.w * 3 + 3) & ~3
    rows = []
    for y in range(img.h - 1, -1, -1):
        row = bytearray()
        for (r, g, b) in img.px[y]:
            row += bytes((b, g, r))
        row += b'\0' * (stride - img.w * 3)
        rows.append(bytes(row))
    data = b''.join(rows)
    return _file_header(54 + len(data), 54) + _info_header(img.w, img.h, 24, len(data), 0) + data


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def bmp4(img):
    """16 colours: every pixel must be one of the VGA palette's colours."""
    stride = ((img.w + 1) // 2 + 3) & ~3
    rows = []
    for y in range(img.h - 1, -1, -1):
        row = bytearray(stride)
        for x, c in enumerate(img.px[y]):
            i = VGA16.index(c)
            row[x // 2] |= i << 4 if x % 2 == 0 else i
        rows.append(bytes(row))
    data = b''.join(rows)
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in VGA16)
    offset = 54 + len(palette)
    return _file_header(offset + len(data), offset) + _info_header(img.w, img.h, 4, len(data), 16) + palette + data


def bmp1(img):
    """Monochrome: black pixels are index 0, everything else white (index 1)."""
    stride = ((img.w + 7) // 8 + 3) & ~3
    rows = []
    for y in range(img.h - 1, -1, -1):
        row = bytearray(stride)
        for x, c in enumerate(img.px[y]):
            if c != (0, 0, 0):
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    data = b''.join(rows)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    offset = 54 + len(palette)
    return _file_header(offset + len(data), offset) + _info_header(img.w, img.h, 1, len(data), 2) + palette + data
