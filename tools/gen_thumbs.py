#!/usr/bin/env python3
"""Writes the flat track bar's thumb images and cursors as XPM files into resources/controls/.

Run it by hand after changing a shape (python3 tools/gen_thumbs.py); the output is committed,
so the build needs no Python. The output is deterministic.

The 16-colour thumbs use only black, white and the fourteen key colours that the bar replaces
at load time (silver, grey, olive, yellow, green, blue, navy, aqua, red, maroon, fuchsia, teal,
purple, lime). Each image is black outside the thumb; each mask is black where the thumb is and
white elsewhere, because the bar composes background AND mask, then OR image.
The XP-style thumbs are drawn in fixed colours and are not remapped.
"""
import os
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "controls")

KEY = {
    ".": (0, 0, 0),        # black: outside the thumb
    "w": (255, 255, 255),  # white
    "s": (192, 192, 192),  # silver  -> button face
    "g": (128, 128, 128),  # grey    -> button shadow
    "o": (128, 128, 0),    # olive   -> dark 3D shadow
    "y": (255, 255, 0),    # yellow  -> 3D light
    "G": (0, 128, 0),      # green   -> lighter button shadow
    "b": (0, 0, 255),      # blue    -> highlight
    "n": (0, 0, 128),      # navy    -> darker highlight
    "a": (0, 255, 255),    # aqua    -> lighter highlight
    "r": (255, 0, 0),      # red     -> hot colour 1
    "m": (128, 0, 0),      # maroon  -> hot colour 2
    "f": (255, 0, 255),    # fuchsia -> hot colour 3
    "t": (0, 128, 128),    # teal    -> button shadow
    "p": (128, 0, 128),    # purple  -> darker button shadow
    "l": (0, 255, 0),      # lime    -> lighter button shadow
}

# Thumb sizes along and across the track (the horizontal image is along x across).
SIZES = {"BOX": (11, 21), "MIXER": (21, 16), "FLAT": (10, 20), "PTR": (11, 21)}

# Edge colours of a raised thumb: outer light, inner light, inner dark, outer dark, face.
RAISED = {
    "normal": ("y", "w", "g", "o", "s"),
    "hot": ("r", "f", "r", "m", "s"),
    "disabled": ("t", "l", "l", "t", "s"),
}


def pointer_shape(along, across, tip_low):
    """A box with a triangular tip on the side of small (tip_low) or large 'across'."""
    half = along // 2
    inside = set()
    for c in range(across):
        depth = c if tip_low else across - 1 - c
        for a in range(along):
            if depth >= half or abs(a - half) <= depth:
                inside.add((a, c))
    return inside


def box_shape(along, across):
    return {(a, c) for a in range(along) for c in range(across)}


def to_xy(along_across, vertical):
    a, c = along_across
    return (c, a) if vertical else (a, c)


def distance_to_outside(inside, x, y):
    """Chessboard distance from an inside pixel to the nearest outside pixel (1 = on the edge)."""
    d = 1
    while True:
        for dy in range(-d, d + 1):
            for dx in range(-d, d + 1):
                if max(abs(dx), abs(dy)) == d and (x + dx, y + dy) not in inside:
                    return d
        d += 1


def is_dark_edge(inside, x, y, reach):
    """An edge pixel faces the light (top-left) or the shadow (bottom-right)."""
    s = sx = 0
    for dy in range(-reach, reach + 1):
        for dx in range(-reach, reach + 1):
            if (x + dx, y + dy) not in inside:
                s += dx + dy
                sx += dx
    return s > 0 or (s == 0 and sx > 0)


def shade_raised(inside, w, h, colours):
    outer_l, inner_l, inner_d, outer_d, face = colours
    img = [["."] * w for _ in range(h)]
    for (x, y) in inside:
        d = distance_to_outside(inside, x, y)
        if d == 1:
            img[y][x] = outer_d if is_dark_edge(inside, x, y, 1) else outer_l
        elif d == 2:
            img[y][x] = inner_d if is_dark_edge(inside, x, y, 2) else inner_l
        else:
            img[y][x] = face
    return img


def mask_of(inside, w, h):
    return [["." if (x, y) in inside else "w" for x in range(w)] for y in range(h)]


def put_across_line(img, vertical, along_pos, across_from, across_to, colour):
    for c in range(across_from, across_to):
        x, y = to_xy((along_pos, c), vertical)
        img[y][x] = colour


def raised_thumb(kind, vertical, tip_low=True):
    along, across = SIZES[kind]
    w, h = (across, along) if vertical else (along, across)
    if kind == "PTR":
        shape_ac = pointer_shape(along, across, tip_low)
    else:
        shape_ac = box_shape(along, across)
    inside = {to_xy(p, vertical) for p in shape_ac}
    images = {state: shade_raised(inside, w, h, RAISED[state]) for state in RAISED}
    if kind == "MIXER":
        # A fader cap: a grip across the middle in the highlight colours (hot: the hot colours).
        grips = {"normal": ("a", "b", "n"), "hot": ("f", "r", "m"), "disabled": ("l", "t", "p")}
        mid = along // 2
        for state, (c1, c2, c3) in grips.items():
            put_across_line(images[state], vertical, mid - 1, 3, across - 3, c1)
            put_across_line(images[state], vertical, mid, 3, across - 3, c2)
            put_across_line(images[state], vertical, mid + 1, 3, across - 3, c3)
    return images, mask_of(inside, w, h)


def flat_thumb(vertical):
    along, across = SIZES["FLAT"]
    w, h = (across, along) if vertical else (along, across)
    inside = {to_xy(p, vertical) for p in box_shape(along, across)}
    palette = {"normal": ("n", "a", "b"), "hot": ("m", "f", "r"), "disabled": ("t", "s", "l")}
    images = {}
    for state, (border, light, fill) in palette.items():
        img = [["."] * w for _ in range(h)]
        for (x, y) in inside:
            d = distance_to_outside(inside, x, y)
            if d == 1:
                img[y][x] = border
            elif d == 2 and not is_dark_edge(inside, x, y, 2):
                img[y][x] = light
            else:
                img[y][x] = fill
        images[state] = img
    return images, mask_of(inside, w, h)


def lerp(c1, c2, t):
    return tuple(round(a + (b - a) * t) for a, b in zip(c1, c2))


def xp_thumb(kind, vertical):
    """XP-style thumbs: fixed colours, a rounded border and a gradient face; hot adds orange."""
    along, across = SIZES[kind]
    w, h = (across, along) if vertical else (along, across)
    shape_ac = pointer_shape(along, across, True) if kind == "PTR" else box_shape(along, across)
    # Round the box's corners so the XP look differs from the classic box.
    if kind == "BOX":
        for p in [(0, 0), (along - 1, 0), (0, across - 1), (along - 1, across - 1)]:
            shape_ac.discard(p)
    inside = {to_xy(p, vertical) for p in shape_ac}
    border = {"normal": (28, 81, 128), "hot": (28, 81, 128), "disabled": (201, 199, 186)}
    face_top = {"normal": (255, 255, 255), "hot": (255, 255, 255), "disabled": (245, 244, 234)}
    face_bottom = {"normal": (214, 214, 206), "hot": (214, 214, 206), "disabled": (236, 233, 216)}
    ring = {"normal": ((207, 223, 245), (140, 170, 210)),
            "hot": ((248, 179, 48), (229, 151, 0)),
            "disabled": ((240, 238, 228), (220, 218, 205))}
    images = {}
    for state in ("normal", "hot", "disabled"):
        img = [[(0, 0, 0)] * w for _ in range(h)]
        for (x, y) in inside:
            d = distance_to_outside(inside, x, y)
            c = x if vertical else y  # across the track
            if d == 1:
                img[y][x] = border[state]
            elif d == 2:
                img[y][x] = ring[state][1] if is_dark_edge(inside, x, y, 2) else ring[state][0]
            else:
                t = c / max(1, across - 1)
                img[y][x] = lerp(face_top[state], face_bottom[state], t)
        images[state] = img
    return images, mask_of(inside, w, h)


def write_xpm_keyed(name, rows):
    """An image drawn in the key letters."""
    used = sorted({ch for row in rows for ch in row})
    lines = ['"%d %d %d 1",' % (len(rows[0]), len(rows), len(used))]
    for ch in used:
        lines.append('"%s c #%02X%02X%02X",' % ((ch,) + KEY[ch]))
    for row in rows:
        lines.append('"%s",' % "".join(row))
    write_xpm(name, lines)


def write_xpm_rgb(name, rows):
    """An image in arbitrary colours (XP thumbs); one or two characters per pixel."""
    colours = sorted({px for row in rows for px in row})
    alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$%&*+-=@"
    cpp = 1 if len(colours) <= len(alphabet) else 2
    codes = {}
    for i, c in enumerate(colours):
        codes[c] = alphabet[i] if cpp == 1 else alphabet[i // len(alphabet)] + alphabet[i % len(alphabet)]
    lines = ['"%d %d %d %d",' % (len(rows[0]), len(rows), len(colours), cpp)]
    for c in colours:
        lines.append('"%s c #%02X%02X%02X",' % ((codes[c],) + c))
    for row in rows:
        lines.append('"%s",' % "".join(codes[px] for px in row))
    write_xpm(name, lines)


def write_xpm(name, lines):
    text = "/* XPM */\nstatic const char *const %s[] = {\n%s\n};\n" % (name, "\n".join(lines))
    text = text.replace(",\n};", "\n};")
    with open(os.path.join(OUT, name + ".xpm"), "w", newline="\n") as f:
        f.write(text)


SUFFIX = {"normal": "", "hot": "_HOT", "disabled": "_DISABLED"}


def write_set(prefix, images, mask, keyed=True):
    for state, rows in images.items():
        (write_xpm_keyed if keyed else write_xpm_rgb)(prefix + SUFFIX[state], rows)
    write_xpm_keyed(prefix + "_MASK", mask)


def cursor(vertical):
    """A double-headed arrow along the track, black outline round a white body, 32 x 32."""
    size, mid = 32, 15
    body = set()
    for i in range(4, 27):            # shaft
        for j in (mid - 1, mid, mid + 1):
            body.add((i, j))
    for k in range(0, 7):             # arrow heads
        for j in range(mid - k, mid + k + 1):
            body.add((3 + k, j))
            body.add((27 - k, j))
    outline = set()
    for (i, j) in body:
        for di in (-1, 0, 1):
            for dj in (-1, 0, 1):
                q = (i + di, j + dj)
                if q not in body:
                    outline.add(q)
    rows = []
    for y in range(size):
        row = ""
        for x in range(size):
            p = (y, x) if vertical else (x, y)
            row += "w" if p in body else ("." if p in outline else " ")
        rows.append(row)
    lines = ['"%d %d 3 1",' % (size, size), '"  c None",', '". c #000000",', '"w c #FFFFFF",']
    lines += ['"%s",' % r for r in rows]
    write_xpm("QXTRKBAR_V_CURSOR" if vertical else "QXTRKBAR_H_CURSOR", lines)


def main():
    os.makedirs(OUT, exist_ok=True)
    for vertical in (False, True):
        o = "V" if vertical else "H"
        for kind in ("BOX", "MIXER", "PTR"):
            images, mask = raised_thumb(kind, vertical)
            write_set("QXTRKBAR_%s_%s" % (o, kind), images, mask)
        images, mask = flat_thumb(vertical)
        write_set("QXTRKBAR_%s_FLAT" % o, images, mask)
        for kind, name in (("PTR", "XPPTR"), ("BOX", "XPBOX")):
            images, mask = xp_thumb(kind, vertical)
            write_set("QXTRKBAR_%s_%s" % (o, name), images, mask, keyed=False)
        cursor(vertical)
    # The Windows 95 pointer: horizontal only, its tip towards the bottom ticks.
    images, mask = raised_thumb("PTR", False, tip_low=False)
    write_set("QXTRKBAR_WIN95", images, mask)
    return 0


if __name__ == "__main__":
    sys.exit(main())
