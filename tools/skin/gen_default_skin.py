#!/usr/bin/env python3
"""Draws Orvane's default skin ("Slate"): every bitmap of resources/skin/default, its
description, the program's built-in skin images in resources/skin/builtin, and the media
player's 27 button glyphs in resources/mediaplayer.

Deterministic: the same script always writes the same bytes. Run without arguments to
(re)write the files, with --check to verify that the committed files match this script.
"""

import os
import sys

sys.dont_write_bytecode = True  # the check runs from the source tree; leave no cache there
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from slate_description import DESCRIPTION
from bmpcanvas import (KEY, Img, bmp1, bmp4, bmp24, circle_box, draw_glyph, draw_glyph_centred, glyph_size,
                       hstrip, inside_rounded, mix, rounded_box, turn_rows, vstrip)

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
SKIN_DIR = os.path.join(ROOT, 'resources', 'skin', 'default')
BUILTIN_DIR = os.path.join(ROOT, 'resources', 'skin', 'builtin')
MEDIAPLAYER_DIR = os.path.join(ROOT, 'resources', 'mediaplayer')

# ---------------------------------------------------------------- palette
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
FACE = (234, 238, 243)        # ButtonFace
FACE_LIGHT = (248, 250, 252)  # ButtonHilight, Buttonlight
SHADOW = (176, 186, 200)      # ButtonShadow
DK_SHADOW = (108, 120, 138)   # ButtonDkShadow
TEXT = (26, 34, 46)
ACCENT = (46, 110, 170)       # Hilight
ACCENT_LIGHT = (132, 176, 222)
ACCENT_DARK = (30, 78, 128)
MENU = (250, 251, 253)
SCROLL = (224, 229, 236)
DISABLED_TEXT = (150, 160, 174)

# Title bar and frame, active and inactive.
ACTIVE = dict(edge=(24, 52, 88), top=(74, 124, 178), bottom=(44, 88, 140), light=(112, 158, 206),
              inner=(30, 64, 104), text=WHITE)
INACTIVE = dict(edge=(112, 124, 142), top=(178, 190, 204), bottom=(152, 166, 183), light=(206, 215, 225),
                inner=(130, 143, 160), text=(236, 240, 245))

TITLE_H = 30
SIDE = 4

# ---------------------------------------------------------------- glyphs
CLOSE = ['XX....XX', 'XXX..XXX', '.XXXXXX.', '..XXXX..', '..XXXX..', '.XXXXXX.', 'XXX..XXX', 'XX....XX']
MAXIMISE = ['XXXXXXXXX', 'XXXXXXXXX', 'X.......X', 'X.......X', 'X.......X', 'X.......X', 'X.......X', 'XXXXXXXXX']
MINIMISE = ['........', '........', '........', '........', '........', '........', 'XXXXXXXX', 'XXXXXXXX']
RESTORE = ['..XXXXXXX', '..XXXXXXX', '..X.....X', 'XXXXXXX.X', 'XXXXXXX.X', 'X.....XXX', 'X.....X..',
           'X.....X..', 'XXXXXXX..']
HELP = ['.XXXXX.', 'XX...XX', '.....XX', '....XX.', '...XX..', '...XX..', '.......', '...XX..', '...XX..']
ARROW_DOWN = ['XXXXXXX', '.XXXXX.', '..XXX..', '...X...']
ARROW_UP = turn_rows(ARROW_DOWN, 2)
ARROW_LEFT = turn_rows(ARROW_DOWN, 1)
ARROW_RIGHT = turn_rows(ARROW_DOWN, 3)
SMALL_DOWN = ['XXXXX', '.XXX.', '..X..']
SMALL_UP = turn_rows(SMALL_DOWN, 2)
SMALL_LEFT = turn_rows(SMALL_DOWN, 1)
SMALL_RIGHT = turn_rows(SMALL_DOWN, 3)
CHECK = ['......X', '.....XX', 'X...XX.', 'XX.XX..', '.XXX...', '..X....']
GRIP_LINES = ['XXXXXXX', '.......', 'XXXXXXX', '.......', 'XXXXXXX']
SIZE_GRIP_DARK = ['.......X', '........', '.....X.X', '........', '...X.X.X', '........', '.X.X.X.X', '........']


# ---------------------------------------------------------------- window frame
def frame_picture(w, h, p):
    """A whole window frame (title bar, borders) of w x h; the client area stays key."""
    def inside(x, y):
        if y < TITLE_H:
            return inside_rounded(x, y, w, 2 * TITLE_H, 6)
        return inside_rounded(x, y - (h - 2 * 3), w, 2 * 3, 3) if y >= h - 3 else 0 <= x < w

    img = Img(w, h)
    for y in range(h):
        for x in range(w):
            if not inside(x, y):
                continue
            outer = any(not (0 <= x + ex < w and 0 <= y + ey < h and inside(x + ex, y + ey))
                        for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            inner_line = ((y == TITLE_H - 1 and SIDE - 1 <= x <= w - SIDE) or
                          (y >= TITLE_H - 1 and x in (SIDE - 1, w - SIDE) and y <= h - SIDE) or
                          (y == h - SIDE and SIDE - 1 <= x <= w - SIDE))
            client = SIDE <= x < w - SIDE and TITLE_H <= y < h - SIDE
            if outer:
                c = p['edge']
            elif client:
                continue
            elif inner_line:
                c = p['inner']
            elif y == 1:
                c = p['light']
            elif y < TITLE_H:
                c = mix(p['top'], p['bottom'], (y - 2) / (TITLE_H - 4))
            else:
                c = p['bottom']
            img.set(x, y, c)
    return img


def borders():
    w, h = 200, 120
    act, ina = frame_picture(w, h, ACTIVE), frame_picture(w, h, INACTIVE)
    out = {}
    out['frame_left.bmp'] = hstrip([act.crop(0, 0, SIDE, h), ina.crop(0, 0, SIDE, h)])
    out['frame_right.bmp'] = hstrip([act.crop(w - SIDE, 0, SIDE, h), ina.crop(w - SIDE, 0, SIDE, h)])
    out['frame_top.bmp'] = vstrip([act.crop(SIDE, 0, w - 2 * SIDE, TITLE_H), ina.crop(SIDE, 0, w - 2 * SIDE, TITLE_H)])
    out['frame_bottom.bmp'] = vstrip([act.crop(SIDE, h - SIDE, w - 2 * SIDE, SIDE),
                                      ina.crop(SIDE, h - SIDE, w - 2 * SIDE, SIDE)])
    return out


def caption_back():
    """A soft band behind the caption text: 8-pixel caps, 4-pixel middle, two frames."""
    frames = []
    for p, band in ((ACTIVE, (66, 114, 166)), (INACTIVE, (166, 178, 193))):
        f = Img(20, TITLE_H)
        for y in range(6, 24):
            for x in range(20):
                # Caps rounded with a radius of 5 at both ends of the band.
                if inside_rounded(x, y - 6, 20, 18, 5):
                    f.set(x, y, band)
        frames.append(f)
    return vstrip(frames)


# ---------------------------------------------------------------- caption buttons
def caption_button(rows, close=False):
    states = [
        dict(fill=(84, 132, 184), border=(38, 78, 124), glyph=WHITE),          # 1 normal (active window)
        dict(fill=(36, 72, 116), border=(24, 52, 88), glyph=(220, 230, 240)),  # 2 pressed
        dict(fill=(116, 162, 212), border=(44, 90, 140), glyph=WHITE),         # 3 hot
        dict(fill=(170, 183, 198), border=(128, 141, 158), glyph=(238, 242, 246)),  # 4 inactive or disabled
    ]
    if close:
        states[2] = dict(fill=(214, 74, 62), border=(150, 42, 34), glyph=WHITE)
        states[1] = dict(fill=(160, 48, 40), border=(110, 30, 24), glyph=(240, 220, 218))
    frames = []
    for s in states:
        f = rounded_box(21, 18, 3, s['border'], mix(s['fill'], WHITE, 0.12), s['fill'])
        draw_glyph_centred(f, rows, s['glyph'])
        frames.append(f)
    frames += [frames[0], frames[3]]  # 5 and 6 repeat the normal and inactive looks
    return hstrip(frames)


def mdi_controls():
    """Minimise, restore and close of a maximised MDI child: four frames each."""
    out = []
    for rows in (MINIMISE, RESTORE, CLOSE):
        looks = [(FACE, SHADOW, TEXT), (SHADOW, DK_SHADOW, TEXT), ((214, 228, 244), ACCENT, ACCENT_DARK),
                 (FACE, (204, 210, 219), DISABLED_TEXT)]
        for fill, border, colour in looks:
            f = rounded_box(16, 14, 2, border, mix(fill, WHITE, 0.4), fill)
            small = [r[1:-1] for r in rows[1:-1]] if len(rows) > 7 else rows
            draw_glyph_centred(f, small, colour)
            out.append(f)
    return hstrip(out)


# ---------------------------------------------------------------- buttons, check and radio
def push_buttons():
    looks = [
        ((150, 163, 181), (252, 253, 254), (224, 230, 238), WHITE),        # 1 normal
        ((84, 118, 164), (204, 214, 227), (222, 229, 238), None),          # 2 pressed
        ((198, 205, 214), (242, 244, 247), (236, 239, 243), None),         # 3 disabled
        ((82, 134, 196), (246, 250, 254), (212, 228, 246), WHITE),         # 4 mouse over
        (ACCENT, (250, 252, 254), (220, 230, 241), (196, 220, 244)),       # 5 focused or default
    ]
    frames = []
    for border, top, bottom, light in looks:
        frames.append(rounded_box(24, 22, 3, border, top, bottom, light))
    return hstrip(frames)


# The four looks that check boxes and radio buttons share: border, fill and mark colour.
MARK_LOOKS = [((132, 146, 166), WHITE, ACCENT_DARK), ((82, 134, 196), (236, 244, 252), ACCENT_DARK),
              ((84, 118, 164), (210, 222, 236), ACCENT_DARK), ((200, 206, 214), (244, 246, 248), DISABLED_TEXT)]


def check_boxes():
    frames = []
    for mark in ('none', 'check', 'mixed'):
        for border, fill, ink in MARK_LOOKS:
            f = rounded_box(13, 13, 1, border, fill, mix(fill, FACE, 0.5))
            if mark == 'check':
                draw_glyph(f, CHECK, 3, 3, ink)
            elif mark == 'mixed':
                f.fill_rect(4, 4, 5, 5, ink)
            frames.append(f)
    return hstrip(frames)  # 12 frames: unchecked, checked, indeterminate; 4 looks each


def radio_buttons():
    frames = []
    for checked in (False, True):
        for border, fill, ink in MARK_LOOKS:
            frames.append(circle_box(13, border, fill, ink if checked else None, 2.2))
    return hstrip(frames)  # 8 frames: unchecked, checked; 4 looks each


# ---------------------------------------------------------------- bars, tabs, edges
def progress():
    trough = rounded_box(16, 14, 3, SHADOW, (226, 231, 238), (244, 246, 249))
    filled = rounded_box(16, 14, 3, ACCENT_DARK, ACCENT_LIGHT, ACCENT, mix(ACCENT_LIGHT, WHITE, 0.4))
    return hstrip([trough, filled])


def progress_chunk():
    f = Img(8, 10)
    for y in range(10):
        c = mix(ACCENT_LIGHT, ACCENT, y / 9)
        for x in range(8):
            f.set(x, y, ACCENT_DARK if x in (0, 7) else c)
    return f


def menu_bar():
    frames = []
    for top, bottom in ((FACE_LIGHT, FACE), (MENU, (240, 243, 247))):
        f = Img(30, 20)
        for y in range(20):
            for x in range(30):
                f.set(x, y, SHADOW if y == 19 else mix(top, bottom, y / 18))
        frames.append(f)
    return vstrip(frames)


def group_box_edge():
    return hstrip([rounded_box(16, 16, 3, SHADOW, FACE), rounded_box(16, 16, 3, (204, 210, 219), FACE)])


def group_box_label():
    return rounded_box(20, 18, 4, (196, 205, 217), FACE_LIGHT, FACE)


def tabs():
    looks = [
        ((160, 172, 188), (240, 243, 247), (226, 231, 238)),  # 1 normal
        ((150, 163, 181), WHITE, FACE_LIGHT),                # 2 current
        ((204, 210, 219), (242, 244, 247), (238, 241, 245)),  # 3 disabled
        ((82, 134, 196), (246, 250, 254), (222, 234, 248)),   # 4 mouse over
        (ACCENT, WHITE, FACE_LIGHT),                          # 5 focused
    ]
    frames = []
    for border, top, bottom in looks:
        f = rounded_box(24, 26, 3, border, top, bottom)
        frames.append(f.crop(0, 0, 24, 22))  # the bottom edge stays open towards the page
    return hstrip(frames)


def tab_page():
    f = Img(20, 20)
    for y in range(20):
        for x in range(20):
            edge = x in (0, 19) or y in (0, 19)
            f.set(x, y, (150, 163, 181) if edge else (FACE_LIGHT if y < 5 else FACE))
    return f


def status_edges():
    frames = []
    for kind in ('lowered', 'raised', 'none'):
        f = Img(12, 12, FACE)
        if kind != 'none':
            tl, br = (SHADOW, WHITE) if kind == 'lowered' else (WHITE, SHADOW)
            for i in range(12):
                f.set(i, 0, tl)
                f.set(0, i, tl)
                f.set(i, 11, br)
                f.set(11, i, br)
        frames.append(f)
    return hstrip(frames)


def tool_buttons():
    frames = [Img(22, 22)]  # 1 default: nothing behind the button
    frames.append(rounded_box(22, 22, 3, (84, 118, 164), (204, 214, 227), (222, 229, 238)))  # 2 selected
    frames.append(rounded_box(22, 22, 3, (198, 205, 214), (242, 244, 247), (236, 239, 243)))  # 3 checked
    frames.append(rounded_box(22, 22, 3, (82, 134, 196), (246, 250, 254), (212, 228, 246)))   # 4 hot
    frames.append(rounded_box(22, 22, 3, ACCENT, (236, 244, 252), (212, 228, 246)))           # 5 hot and checked
    return hstrip(frames)


def sunken_edges():
    frames = []
    for border in ((150, 163, 181), (84, 118, 164), (204, 210, 219), (82, 134, 196)):
        f = Img(16, 21)
        for y in range(21):
            for x in range(16):
                if not inside_rounded(x, y, 16, 21, 2):
                    continue
                edge = not all(inside_rounded(x + ex, y + ey, 16, 21, 2) and 0 <= x + ex < 16 and 0 <= y + ey < 21
                               for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                f.set(x, y, border if edge else WHITE)
        frames.append(f)
    return hstrip(frames)  # 1 normal, 2 pressed, 3 disabled, 4 hot


def combo_buttons():
    looks = [((150, 163, 181), (246, 248, 251), (224, 230, 238)), ((84, 118, 164), (204, 214, 227), (222, 229, 238)),
             ((204, 210, 219), (242, 244, 247), (238, 241, 245)), ((82, 134, 196), (246, 250, 254), (212, 228, 246))]
    return hstrip([rounded_box(19, 21, 2, border, top, bottom) for border, top, bottom in looks])


def extra_images():
    frames = []
    for colour in (TEXT, WHITE, DISABLED_TEXT, ACCENT_DARK):  # arrow: normal, pressed, disabled, hot
        f = Img(9, 9)
        draw_glyph_centred(f, SMALL_DOWN, colour)
        frames.append(f)
    grip = Img(9, 9)  # 5: size grip, white dots with dark ones below and right
    draw_glyph(grip, SIZE_GRIP_DARK, 0, 0, WHITE)
    draw_glyph(grip, SIZE_GRIP_DARK, 1, 1, DK_SHADOW)
    frames.append(grip)
    return hstrip(frames)


def header_bar():
    frames = []
    for top, bottom in ((FACE_LIGHT, (228, 233, 240)), ((246, 250, 254), (214, 228, 246))):
        f = Img(10, 20)
        for y in range(20):
            for x in range(10):
                c = mix(top, bottom, y / 19)
                if y == 19:
                    c = SHADOW
                elif x == 9 and 3 <= y <= 16:
                    c = SHADOW
                f.set(x, y, c)
        frames.append(f)
    return hstrip(frames)  # 1 normal, 2 hot


def menu_items():
    normal = Img(20, 20)
    separator = Img(20, 20)
    for x in range(2, 18):
        separator.set(x, 9, SHADOW)
        separator.set(x, 10, WHITE)
    selected = rounded_box(20, 20, 3, ACCENT_DARK, mix(ACCENT, WHITE, 0.15), ACCENT)
    dimmed = rounded_box(20, 20, 3, SHADOW, FACE_LIGHT, FACE)
    return hstrip([normal, separator, normal, selected, dimmed])  # 1 normal, 2 separator, 4 selected


def menu_background():
    f = Img(20, 20)
    for y in range(20):
        for x in range(20):
            edge = x in (0, 19) or y in (0, 19)
            f.set(x, y, (150, 163, 181) if edge else (FACE if x < 3 else MENU))
    return f


def scroll_parts():
    size = 17
    looks = [((176, 186, 200), FACE_LIGHT, (226, 231, 238), TEXT),     # normal
             ((84, 118, 164), (196, 208, 224), (214, 224, 236), TEXT),  # pressed
             ((210, 215, 222), (240, 242, 245), (236, 239, 243), DISABLED_TEXT),  # disabled
             ((82, 134, 196), (246, 250, 254), (212, 228, 246), ACCENT_DARK)]     # hot
    frames = []
    for rows in (ARROW_LEFT, ARROW_RIGHT, ARROW_UP, ARROW_DOWN):
        for border, top, bottom, ink in looks:
            f = rounded_box(size, size, 2, border, top, bottom)
            draw_glyph_centred(f, rows, ink)
            frames.append(f)
    for rows in (turn_rows(GRIP_LINES, 1), GRIP_LINES):  # horizontal thumb grip (upright lines), then vertical
        for ink in (DK_SHADOW, WHITE, ACCENT_DARK):       # normal, pressed, hot
            f = Img(size, size)
            draw_glyph_centred(f, rows, ink)
            frames.append(f)
    frames.append(Img(size, size))  # 23: spare
    return hstrip(frames)


def scroll_track(vertical):
    frames = []
    for fill in (SCROLL, (206, 214, 226), (238, 240, 243), (216, 224, 234)):  # enabled, pressed, disabled, hot
        f = Img(12, 17, fill)
        for x in range(12):
            f.set(x, 0, mix(fill, SHADOW, 0.5))
            f.set(x, 16, mix(fill, WHITE, 0.5))
        frames.append(f.transposed() if vertical else f)
    return hstrip(frames)


def scroll_thumb(vertical):
    frames = []
    for border, top, bottom in (((150, 163, 181), FACE_LIGHT, (220, 227, 236)),
                                ((84, 118, 164), (196, 208, 224), (214, 224, 236)),
                                ((82, 134, 196), (246, 250, 254), (208, 224, 244))):
        f = rounded_box(16, 17, 3, border, top, bottom)
        frames.append(f.transposed() if vertical else f)
    return hstrip(frames)  # 1 normal, 2 pressed, 3 hot


def trackbar_thumb(shape, upright=False):
    """5 frames side by side: normal, pressed (the painter's), disabled, hot, focused; each
    frame turned on its side for an upright slider."""
    looks = [((120, 136, 158), WHITE, (214, 222, 232)), ((84, 118, 164), (236, 242, 250), (196, 212, 232)),
             ((200, 206, 214), (244, 246, 248), (232, 235, 239)), ((82, 134, 196), WHITE, (206, 224, 246)),
             (ACCENT, WHITE, (212, 228, 246))]
    frames = []
    for border, top, bottom in looks:
        if shape == 'pill':
            f = rounded_box(11, 20, 3, border, top, bottom)
        else:
            # A pointed thumb, drawn pointing down and turned into place.
            f = Img(11, 20)
            for y in range(20):
                half = 5 if y < 14 else 5 - (y - 14)
                for x in range(5 - half, 6 + half):
                    edge = x in (5 - half, 5 + half) or y == 0
                    f.set(x, y, border if edge else mix(top, bottom, y / 19))
            f = {'down': f, 'up': f.flipped_v(), 'right': f.rotated_left(), 'left': f.rotated_right()}[shape]
        frames.append(f.transposed() if upright else f)
    return hstrip(frames)


def updown(horizontal):
    looks = [((150, 163, 181), FACE_LIGHT, (226, 231, 238)), ((84, 118, 164), (204, 214, 227), (222, 229, 238)),
             ((204, 210, 219), (242, 244, 247), (238, 241, 245)), ((82, 134, 196), (246, 250, 254), (212, 228, 246))]
    inks = [TEXT, TEXT, DISABLED_TEXT, ACCENT_DARK]
    w, h = (15, 15) if horizontal else (15, 11)
    buttons, glyphs = [], []
    for rows in ((SMALL_LEFT, SMALL_RIGHT) if horizontal else (SMALL_UP, SMALL_DOWN)):
        for (border, top, bottom), ink in zip(looks, inks):
            buttons.append(rounded_box(w, h, 2, border, top, bottom))
            g = Img(7, 7)
            draw_glyph_centred(g, rows, ink)
            glyphs.append(g)
    return hstrip(buttons), hstrip(glyphs)


def track(vertical):
    """The channel is drawn opaque, so its corners take the face colour instead of the key."""
    f = Img(16, 5)
    for x in range(16):
        for y in range(5):
            if not inside_rounded(x, y, 16, 5, 2):
                f.set(x, y, FACE)
                continue
            f.set(x, y, SHADOW if y == 0 or x in (0, 15) else (WHITE if y == 4 else (214, 221, 230)))
    return f.transposed() if vertical else f


# ---------------------------------------------------------------- built-in images
def builtin_track():
    dark, grey, light, white = (0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255)
    rows = [[light] + [grey] * 14 + [light],
            [grey] + [dark] * 14 + [white],
            [grey] + [light] * 14 + [white],
            [light] + [white] * 14 + [light]]
    img = Img(16, 4)
    img.px = rows
    return img


def builtin_menu_glyphs():
    img = Img(64, 16, WHITE)
    for i, rows in enumerate((RESTORE, MAXIMISE, MINIMISE, CLOSE)):
        w, h = glyph_size(rows)
        draw_glyph(img, rows, 16 * i + (16 - w) // 2, (16 - h) // 2, BLACK)
    return img


# ---------------------------------------------------------------- media player glyphs
# Drawn on 0x008080, the colour the player's buttons leave out when they put a glyph.
GLYPH_KEY = (0x80, 0x80, 0x00)  # as (r, g, b): the BGR value 0x008080 is red 0x80, green 0x80
MP_GLYPHS = [
    ('MPPLAY', ['X.....', 'XXX...', 'XXXXX.', 'XXXXXX', 'XXXXX.', 'XXX...', 'X.....'], (0, 128, 0)),
    ('MPPAUSE', ['XX..XX'] * 7, (160, 120, 0)),
    ('MPSTOP', ['XXXXXX'] * 6, (192, 0, 0)),
    ('MPNEXT', ['X...X.XX', 'XX..X.XX', 'XXX.X.XX', 'XXXXX.XX', 'XXX.X.XX', 'XX..X.XX', 'X...X.XX'], (0, 0, 160)),
    ('MPPREV', ['XX.X...X', 'XX.X..XX', 'XX.X.XXX', 'XX.XXXXX', 'XX.X.XXX', 'XX.X..XX', 'XX.X...X'], (0, 0, 160)),
    ('MPSTEP', ['X...X...', 'XX..XX..', 'XXX.XXX.', 'XXXXXXXX', 'XXX.XXX.', 'XX..XX..', 'X...X...'], (0, 96, 128)),
    ('MPBACK', ['...X...X', '..XX..XX', '.XXX.XXX', 'XXXXXXXX', '.XXX.XXX', '..XX..XX', '...X...X'], (0, 96, 128)),
    ('MPRECORD', ['..XX..', '.XXXX.', 'XXXXXX', 'XXXXXX', '.XXXX.', '..XX..'], (208, 0, 0)),
    ('MPEJECT', ['...X...', '..XXX..', '.XXXXX.', 'XXXXXXX', '.......', 'XXXXXXX', 'XXXXXXX'], (96, 0, 128)),
]


def media_player_glyphs():
    """EN_, DI_ and CL_ glyph of each of the nine buttons: black, greyed with a white
    relief, coloured; each 16 x 12 with the glyph centred."""
    out = {}
    for name, rows, colour in MP_GLYPHS:
        for prefix in ('EN', 'DI', 'CL'):
            img = Img(16, 12, GLYPH_KEY)
            if prefix == 'DI':
                draw_glyph_centred(img, rows, WHITE, 1, 1)
                draw_glyph_centred(img, rows, (128, 128, 128))
            else:
                draw_glyph_centred(img, rows, BLACK if prefix == 'EN' else colour)
            out['%s_%s.bmp' % (prefix, name)] = bmp24(img)
    return out


def skin_files():
    files = {name: bmp24(img) for name, img in borders().items()}
    images = {
        'caption_back.bmp': caption_back(),
        'btn_close.bmp': caption_button(CLOSE, close=True),
        'btn_maximize.bmp': caption_button(MAXIMISE),
        'btn_restore.bmp': caption_button(RESTORE),
        'btn_minimize.bmp': caption_button(MINIMISE),
        'btn_help.bmp': caption_button(HELP),
        'mdi_controls.bmp': mdi_controls(),
        'menubar.bmp': menu_bar(),
        'button.bmp': push_buttons(),
        'checkbox.bmp': check_boxes(),
        'radio.bmp': radio_buttons(),
        'progress.bmp': progress(),
        'progress_chunk.bmp': progress_chunk(),
        'groupbox_edge.bmp': group_box_edge(),
        'groupbox_label.bmp': group_box_label(),
        'tabs.bmp': tabs(),
        'tab_page.bmp': tab_page(),
        'statusbar.bmp': status_edges(),
        'toolbutton.bmp': tool_buttons(),
        'combo_button.bmp': combo_buttons(),
        'sunken_edge.bmp': sunken_edges(),
        'extra_images.bmp': extra_images(),
        'headerbar.bmp': header_bar(),
        'menuitem.bmp': menu_items(),
        'menu_background.bmp': menu_background(),
        'scrollbar.bmp': scroll_parts(),
        'scroll_horz.bmp': scroll_track(False),
        'scroll_vert.bmp': scroll_track(True),
        'thumb_horz.bmp': scroll_thumb(False),
        'thumb_vert.bmp': scroll_thumb(True),
        'track_thumb_horz.bmp': trackbar_thumb('pill'),
        'track_thumb_vert.bmp': trackbar_thumb('pill', upright=True),
        'track_thumb_left.bmp': trackbar_thumb('left'),
        'track_thumb_right.bmp': trackbar_thumb('right'),
        'track_thumb_up.bmp': trackbar_thumb('up'),
        'track_thumb_down.bmp': trackbar_thumb('down'),
        'track.bmp': track(False),
        'trackvert.bmp': track(True),
    }
    horz, horz_glyphs = updown(True)
    vert, vert_glyphs = updown(False)
    images.update({'updown_horz.bmp': horz, 'updown_horz_glyphs.bmp': horz_glyphs,
                   'updown_vert.bmp': vert, 'updown_vert_glyphs.bmp': vert_glyphs})
    files.update({name: bmp24(img) for name, img in images.items()})
    files['slate.ini'] = DESCRIPTION.replace('\n', '\r\n').encode('ascii')
    return files


def builtin_files():
    t = builtin_track()
    return {'TRACK.bmp': bmp4(t), 'TRACKVERT.bmp': bmp4(t.transposed()), 'CORVELMENU.bmp': bmp1(builtin_menu_glyphs())}


def main(argv):
    check = '--check' in argv
    problems = []
    for folder, files in ((SKIN_DIR, skin_files()), (BUILTIN_DIR, builtin_files()),
                          (MEDIAPLAYER_DIR, media_player_glyphs())):
        if not check:
            os.makedirs(folder, exist_ok=True)
        present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
        for extra in sorted(present - set(files)):
            problems.append('%s: not drawn by this script' % os.path.join(folder, extra))
        for name, data in sorted(files.items()):
            path = os.path.join(folder, name)
            if check:
                try:
                    with open(path, 'rb') as f:
                        if f.read() != data:
                            problems.append('%s: differs from what the script draws' % path)
                except OSError:
                    problems.append('%s: missing' % path)
            else:
                with open(path, 'wb') as f:
                    f.write(data)
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
