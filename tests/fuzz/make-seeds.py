#!/usr/bin/env python3
"""Writes the seed corpus of the DIB fuzzer: small packed DIBs of every depth, compression
and row order the conversion takes. Run from this directory; the files go to corpus/."""
import os
import struct

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(out, exist_ok=True)


def info(w, h, bpp, comp=0, clr=0, size_image=0, header=40):
    body = struct.pack("<iiHHIIiiII", w, h, 1, bpp, comp, size_image, 2835, 2835, clr, 0)
    return struct.pack("<I", header) + body + b"\0" * (header - 40)


def rows(w, h, bpp, fill):
    stride = ((w * bpp + 31) // 32) * 4
    return bytes((fill + i) & 0xFF for i in range(stride * abs(h)))


def palette(n):
    return b"".join(struct.pack("<BBBB", (i * 40) & 255, (i * 90) & 255, (i * 150) & 255, 0)
                    for i in range(n))


seeds = {}
for bpp in (1, 4, 8):
    seeds[f"pal{bpp}"] = info(5, 3, bpp) + palette(1 << bpp) + rows(5, 3, bpp, bpp)
    seeds[f"pal{bpp}-topdown"] = info(5, -3, bpp) + palette(1 << bpp) + rows(5, 3, bpp, 7)
seeds["pal8-few-colours"] = info(4, 2, 8, clr=3) + palette(3) + bytes([0, 1, 2, 1, 2, 1, 0, 0])
for bpp in (16, 24, 32):
    seeds[f"rgb{bpp}"] = info(5, 3, bpp) + rows(5, 3, bpp, bpp)
    seeds[f"rgb{bpp}-topdown"] = info(5, -3, bpp) + rows(5, 3, bpp, 3)
seeds["bitfields16-565"] = (info(3, 2, 16, comp=3) + struct.pack("<III", 0xF800, 0x07E0, 0x1F)
                            + rows(3, 2, 16, 9))
seeds["bitfields32"] = (info(3, 2, 32, comp=3)
                        + struct.pack("<III", 0xFF0000, 0xFF00, 0xFF) + rows(3, 2, 32, 1))
# Runs, an absolute run padded to a word, end of line, end of picture.
rle8 = bytes([3, 1, 0, 0, 2, 2, 0, 3, 5, 6, 7, 0, 0, 1])
seeds["rle8"] = info(5, 2, 8, comp=1, clr=8, size_image=len(rle8)) + palette(8) + rle8
rle8_delta = bytes([2, 1, 0, 2, 1, 1, 2, 3, 0, 1])
seeds["rle8-delta"] = (info(6, 3, 8, comp=1, clr=4, size_image=len(rle8_delta)) + palette(4)
                      + rle8_delta)
rle4 = bytes([4, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1])
seeds["rle4"] = info(4, 2, 4, comp=2, size_image=len(rle4)) + palette(16) + rle4
seeds["core-pal8"] = (struct.pack("<IHHHH", 12, 3, 2, 1, 8)
                      + b"".join(struct.pack("<BBB", i, i, i) for i in range(256))
                      + rows(3, 2, 8, 2))
seeds["v5-rgb24"] = info(3, 2, 24, header=124) + rows(3, 2, 24, 5)
seeds["truncated"] = (info(5, 3, 24) + rows(5, 3, 24, 0))[:-5]

for name, data in seeds.items():
    with open(os.path.join(out, name + ".dib"), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds in {out}")
