#!/usr/bin/env python3
"""Builds the files that lie beside the program: the template database and the two pointer images.

Usage: make_assets.py SQL_FILE OUTPUT_FOLDER

The pointer images are drawn here from the character maps below ('#' outline, '.' fill,
' ' transparent) and written in the Windows icon/cursor container, which Qt reads.
"""
import os
import sqlite3
import struct
import sys

HAND = """
      ##
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#.#
 #...#..........#
  #.............#
   #............#
   #...........#
    #..........#
    #.........#
     #........#
     ##########
"""

DRAG = """
#
##
#.#
#..#
#...#
#....#
#.....#
#......#
#.......#
#....#####
#..#..#
#.# #..#
##  #..#
#    #..#
     #..#   ##########
      ##    #........#
            #.######.#
            #........#
            #.######.#
            #........#
            ##########
"""


def draw(art, size=32):
    rows = [r for r in art.split("\n")[1:-1]]
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y, row in enumerate(rows[:size]):
        for x, ch in enumerate(row[:size]):
            if ch == "#":
                pixels[y][x] = (0, 0, 0, 255)
            elif ch == ".":
                pixels[y][x] = (255, 255, 255, 255)
    return pixels


def container(pixels, kind, hotspot):
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        line = bytearray()
        for x, (_, _, _, a) in enumerate(row):
            bits = (bits << 1) | (1 if a == 0 else 0)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        while len(line) % 4:
            line.append(0)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    if kind == 2:
        planes, bits = hotspot
    else:
        planes, bits = 1, 32
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, planes, bits, len(image), 6 + 16)
    return directory + entry + image


def main():
    sql_file, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    db = os.path.join(out, "dbBlank.sqlite")
    tmp = db + ".new"
    if os.path.exists(tmp):
        os.remove(tmp)
    with open(sql_file, encoding="utf-8") as f:
        script = f.read()
    con = sqlite3.connect(tmp)
    con.executescript(script)
    con.commit()
    con.close()
    os.replace(tmp, db)
    with open(os.path.join(out, "HAND-M.CUR"), "wb") as f:
        f.write(container(draw(HAND), 2, (7, 1)))
    with open(os.path.join(out, "drag.ico"), "wb") as f:
        f.write(container(draw(DRAG), 1, None))


if __name__ == "__main__":
    main()
