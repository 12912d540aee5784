#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are small hand-made inputs that reach each part of a target quickly;
the fuzzer grows the corpus from them. Run again after changing an input
layout; crash reproducers kept in the corpus folders are left alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


# ---- bitmap: whole files ---------------------------------------------------------

def bmp_header(width, height, bits=24, data_size=None):
    row = width * bits // 8
    if data_size is None:
        data_size = row * abs(height)
    h = bytearray(54)
    h[0:2] = b"BM"
    struct.pack_into("<IHHI", h, 2, (54 + data_size) & 0xFFFFFFFF, 0, 0, 54)
    struct.pack_into("<IIIHHIIiiII", h, 14, 40, width & 0xFFFFFFFF, height & 0xFFFFFFFF, 1, bits, 0,
                     data_size & 0xFFFFFFFF, 2835, 2835, 0, 0)
    return bytes(h)


def pixels(width, height):
    return bytes((x * 7 + y * 13 + c * 50) & 255 for y in range(height) for x in range(width) for c in range(3))


def bitmap_seeds():
    write("bitmap", "4x2", bmp_header(4, 2) + pixels(4, 2))
    write("bitmap", "16x16", bmp_header(16, 16) + pixels(16, 16))
    write("bitmap", "3x3-padded-rows", bmp_header(3, 3, data_size=12 * 3) + pixels(4, 3))
    write("bitmap", "32-bit", bmp_header(2, 2, bits=32) + bytes(16))
    write("bitmap", "half-data", bmp_header(8, 8) + pixels(8, 4))
    write("bitmap", "top-down", bmp_header(4, -4) + pixels(4, 4))
    write("bitmap", "huge-size", bmp_header(0xFFFFFFFF, 0xFFFFFFFF) + pixels(2, 2))
    write("bitmap", "zero-size", bmp_header(0, 16))
    write("bitmap", "header-only-53", bmp_header(4, 4)[:53])
    write("bitmap", "extra-tail", bmp_header(2, 2) + pixels(2, 2) + b"trailing bytes")


# ---- console: key codes, 0 ends a frame ------------------------------------------

SHIFT = 16
ENTER = 13
TAB = 9
BACKSPACE = 8


def typed(text, shift=False):
    out = bytearray()
    for c in text:
        if c.isalpha():
            if shift:
                out.append(SHIFT)
            out.append(ord(c.upper()))
        elif c.isdigit() or c == " ":
            out.append(ord(c))
        elif c == "-":
            out.append(189)  # not typed by the console: a separator that never gets in
        elif c == ",":
            out.append(188)
        out.append(0)
    return bytes(out)


def command(text, shift=False):
    return typed(text, shift) + bytes([ENTER, 0])


def console_seeds():
    write("console", "su", command("su 12") + bytes([ENTER, 0]))
    write("console", "teleport-far", command("env4teleport 5000 5000 7"))
    write("console", "teleport-near", command("env4teleport 10 20 0"))
    write("console", "cyclestep", command("env4cyclestep 3") + command("env4cyclestep 361"))
    write("console", "cells", command("corner1") + bytes([BACKSPACE] * 1 + [0]) + command("env4block"))
    write("console", "empty-cells", command("env4emptyx1") + bytes([BACKSPACE, 0] * 11) + command("env4emptyy1"))
    write("console", "grass-dirt", command("env4grass") + bytes([BACKSPACE, 0] * 9) + command("env4dirt"))
    write("console", "screensaver", command("screensavertoggle") + bytes([0] * 4) + bytes([ENTER, 0]))
    write("console", "upper-case", command("SU 3", shift=True))
    write("console", "too-long", typed("a" * 35) + bytes([ENTER, 0]))
    write("console", "close-and-play", bytes([TAB, 0, ord("D"), ord("K"), ord("S"), 0, 37, 38, 107, 0, TAB, 0]))
    write("console", "many-words", command("su 1 2 3 4 5 6 7 8 9 1 2 3 4 5 6"))
    write("console", "big-number", command("su 99999999999"))


# ---- slot: frames, five framed files, play operations ----------------------------

MAINMAP, FLAGMAP, UNIT, PATHFIND, VARIABLES = range(5)
LAYER_CELLS = 1024 * 1024
UNIT_RECORD = 190
ROUTE_INDEX_BYTES = 3000 * 4
PATHFINDER_BYTES = ROUTE_INDEX_BYTES + 2 * 3000 * 3000 * 4
FILE_SIZES = [3 * LAYER_CELLS, 3 * LAYER_CELLS, 3000 * UNIT_RECORD, 2 * PATHFINDER_BYTES, 16]

# Play keys by their place in the target's list.
K, D, S, N, M, PREV, NEXT, LEFT, UP, RIGHT, DOWN, PLUS, MINUS, F3, F4, F5, F6, TAB_KEY, ENTER_KEY, ESC = range(20)


def slot_input(frames_byte, files, ops, start_frame=0):
    """files: {file: (offset, bytes)}; a file left out is missing. start_frame in hundreds."""
    out = bytearray([frames_byte, start_frame])
    for f in range(5):
        if f in files:
            offset, data = files[f]
            out += bytes([1]) + struct.pack("<IH", offset, len(data)) + data
        else:
            out += bytes([0])
    for op in ops:
        out += bytes(op)
    return bytes(out)


def wait(n):
    return (0, n)


def key(index):
    return (1, index)


def near(dx, dy):
    return (3, (dx + 2) + 5 * (dy + 2))


def view_cell(x, y):
    return (6, x, y)


LCLICK = (4, 0)
RCLICK = (5, 0)


def console_op(index, n1=0, n2=0):
    return (7, index) + tuple(struct.pack("<HH", n1, n2))


def unit_record(cell_x, cell_y, layer, faction=1, hit_points=8.0, move_state=0, route_order=9999, target=0,
                dest=(0, 0), step=(0, 0), keys=0, quest=0, gold=300.0, bitmap=849, in_use=1):
    r = bytearray(b"\xcc" * UNIT_RECORD)
    struct.pack_into("<BBHHHBBII", r, 0, 0, in_use, faction, bitmap, 0, 0, 0, 0, 0)
    struct.pack_into("<fffhhHHHHHHih", r, 18, gold, hit_points, max(hit_points, 8.0) if hit_points == hit_points else
                     8.0, keys, quest, step[0], step[1], dest[0], dest[1], 0, move_state, route_order, target)
    struct.pack_into("<IIffHHH", r, 52, 0, 0, 3.0, 1.0, cell_x, cell_y, layer)
    return bytes(r)


def variables(view_x, view_y, view_layer, current):
    return struct.pack("<iiii", view_x, view_y, view_layer, current)


def walk_and_act():
    return [view_cell(25, 18), RCLICK, wait(7), wait(7), wait(7), wait(7), near(1, 0), LCLICK, wait(1), key(K),
            wait(1), key(D), wait(1), near(0, 1), key(S), wait(1), LCLICK, wait(7), key(NEXT), wait(3), key(PREV),
            wait(3), key(UP), key(RIGHT), wait(1), key(PLUS), wait(1), key(MINUS), wait(7)]


def slot_seeds():
    whole = {f: (FILE_SIZES[f], b"") for f in range(5)}
    write("slot", "start-save", slot_input(150, whole, walk_and_act()))
    write("slot", "no-files", slot_input(150, {}, walk_and_act()))
    write("slot", "empty-files", slot_input(100, {f: (0, b"") for f in range(5)}, walk_and_act()))

    # The view and the current unit from the variables file, out of every range.
    write("slot", "wild-variables", slot_input(120, {VARIABLES: (0, variables(-5, 2000000000, 7, 70000))},
                                                walk_and_act()))
    write("slot", "negative-current", slot_input(120, {VARIABLES: (0, variables(10, 10, -1, -3))}, walk_and_act()))
    write("slot", "half-variables", slot_input(80, {VARIABLES: (0, b"\x05\x00\x00\x00\x07\x00")}, walk_and_act()))

    # Units placed at a known spot, with wild fields.
    units = (unit_record(100, 100, 1)
             + unit_record(101, 100, 1, faction=3, hit_points=40.0, move_state=2, target=0, dest=(100, 100))
             + unit_record(65535, 65535, 65535, move_state=1, dest=(65535, 0), route_order=-5)
             + unit_record(3, 3, 1, faction=1, hit_points=float("nan"), move_state=2, target=-1)
             + unit_record(1023, 1023, 2, faction=3, hit_points=float("inf"), move_state=1, target=32767,
                           bitmap=65535, keys=-32768, quest=32767))
    view = variables(80, 85, 1, 0)
    write("slot", "wild-units", slot_input(150, {UNIT: (0, units), VARIABLES: (0, view)}, walk_and_act()))
    write("slot", "cut-unit", slot_input(100, {UNIT: (0, units[:UNIT_RECORD + 40]), VARIABLES: (0, view)},
                                          walk_and_act()))
    row = bytes([255, 0, 61, 70, 60, 60, 180, 1, 2, 3, 4, 128, 219, 77, 76]) * 3
    flags = bytes([1, 3, 5, 6, 12, 11, 255, 15, 16, 200]) * 4
    at = LAYER_CELLS + 100 * 1024 + 90
    write("slot", "odd-cells", slot_input(150, {MAINMAP: (at, row), FLAGMAP: (at, flags), UNIT: (0, units[:UNIT_RECORD]),
                                                VARIABLES: (0, view)}, walk_and_act()))

    # Routes: indices past the route arrays and negative ones, for both pathfinders.
    indices = struct.pack("<" + "i" * 8, 0, 2999, 3000, -1, -2, -7, -8, 2147483647)
    walking = (unit_record(100, 100, 1, move_state=1, dest=(110, 100), route_order=1)
               + unit_record(101, 100, 1, faction=3, hit_points=40.0, move_state=2, target=0, dest=(100, 100))
               + unit_record(102, 100, 1, move_state=1, dest=(0, 0), route_order=0))
    write("slot", "route-indices", slot_input(150, {PATHFIND: (0, indices), UNIT: (0, walking),
                                                    VARIABLES: (0, view)}, [wait(7)] * 8))
    write("slot", "chase-indices", slot_input(150, {PATHFIND: (PATHFINDER_BYTES, indices), UNIT: (0, walking),
                                                    VARIABLES: (0, view)}, [wait(7)] * 8))
    route = struct.pack("<" + "I" * 6, 100, 101, 4000000000, 65535, 1023, 1024)
    write("slot", "route-cells", slot_input(150, {PATHFIND: (ROUTE_INDEX_BYTES, route), UNIT: (0, walking),
                                                  VARIABLES: (0, view)}, [wait(7)] * 8))

    # Units in view with pictures past the slot table, dead, undying and at the edges.
    in_view = b"".join([
        unit_record(82, 87, 1, quest=30, gold=1000.0),
        unit_record(83, 87, 1, faction=3, bitmap=65535, hit_points=5.0),
        unit_record(82, 88, 1, faction=3, bitmap=3100, hit_points=float("inf"), move_state=2, target=0),
        unit_record(84, 86, 1, faction=3, bitmap=904, hit_points=-3.0, move_state=2, target=-5),
        unit_record(81, 87, 1, faction=3, bitmap=0, hit_points=float("nan"), move_state=1, dest=(82, 87)),
        unit_record(0, 0, 1, faction=1, bitmap=3099, move_state=2, target=4),
        unit_record(120, 100, 1, faction=7, bitmap=849, hit_points=1e30),
    ])
    strike = [wait(1), near(1, 0), LCLICK, wait(1), near(0, 1), LCLICK, wait(1), key(S), wait(2), near(1, 0), key(S),
              LCLICK, wait(7), wait(7), LCLICK, key(K), key(D), wait(7)]
    cycle = [console_op(7, 10)]
    write("slot", "units-in-view", slot_input(120, {UNIT: (0, in_view), VARIABLES: (0, variables(80, 85, 1, 0))},
                                               cycle + strike + walk_and_act(), start_frame=30))
    # Every walking unit with its own odd route index.
    walkers = b"".join(unit_record(100 + u, 100, 1, move_state=1 + (u % 2), dest=(110, 100 + u), route_order=u,
                                   target=u + 1) for u in range(8))
    write("slot", "walkers-route-indices", slot_input(100, {PATHFIND: (0, indices), UNIT: (0, walkers),
                                                            VARIABLES: (0, view)}, cycle + [wait(7)] * 12))
    write("slot", "chasers-route-indices", slot_input(100, {PATHFIND: (PATHFINDER_BYTES, indices), UNIT: (0, walkers),
                                                            VARIABLES: (0, view)}, cycle + [wait(7)] * 12))

    # Saves of a wild load, read back: slot 1 over the fuzz files, slot 2 anew.
    SAVE1, SAVE2 = (1, 255), (1, 254)
    write("slot", "save-wild-load", slot_input(60, {UNIT: (0, in_view + walkers), PATHFIND: (0, indices),
                                                    VARIABLES: (0, variables(-5, 2000000000, 7, 70000))},
                                               [wait(3), SAVE1, wait(2), key(F3), wait(2), SAVE2, wait(2), key(F4),
                                                wait(7)] + walk_and_act()))

    # Console commands and the zoom and load keys during play.
    ops = [console_op(6, 5000, 5000), wait(7), console_op(7, 3), wait(7), console_op(8, 12), wait(7),
           console_op(0), console_op(9), wait(7), key(F5), wait(1), key(F6), wait(1), key(F4), wait(2), key(F3),
           wait(2), key(N), (2, 100, 100), key(N), key(M), wait(3), key(TAB_KEY), key(ESC)]
    write("slot", "console-and-keys", slot_input(200, whole, ops, start_frame=200))


if __name__ == "__main__":
    bitmap_seeds()
    console_seeds()
    slot_seeds()
