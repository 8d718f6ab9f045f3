#!/usr/bin/env python3
"""Writes res/MasterInstall.ico from the picture below.

The icon is a 32x32, 16-colour image: a silver install CD with a rainbow
glint and a USB trident in front. The .ico is committed, so the build never
runs this; rerun it after changing the picture:

    python3 tools/make_icon.py
"""
import os
import struct
import sys

# The standard 16-colour VGA palette, in the order Windows uses it, as RGB.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

# One character per pixel; '.' is transparent (set in the AND mask).
INK = {
    'K': 0, 'r': 1, 'g': 2, 'y': 3, 'b': 4, 'm': 5, 'c': 6, 's': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15,
}

PICTURE = """
..........KKKKKKKK..............
.......KKKssssssssKKK...........
......KKssssssssssRRKK..........
....KKssssssssssssYYRRKK........
...KKssWWssssssssGGYYRRKK.......
...KssWWWssssssssCGGYYRRK.......
..KssWWWWWsssssssCCCGGYssK......
.KKsWWWWWsssssssBBBCCGsssKK.....
.KssWWWWssssssssMMBBCsssssK.....
.KssssWssssddWWddMMsssssssK.....
KsssssssssdWWWWWWdsssssssssK....
KssssssssdWWWddWWWdssssssssK....
KssssssssdWWd..dWWdssssssssK....
KssssssssWWd....dWWssssssssK....
KssssssssWWd....dWWssssssssK....
KssssssssdWWd..dWWdssssssssK....
KssssssssdWWWddWWWdssssssssK....
KsssssssssdWWWWWWdsssWWWWssK....
.KsssssssMMddWWddsssWWbbWWK.....
.KsssssCBBMMssssssssWbbbbWK.....
.KKsssGCCBBBsssssssWWbbbbWK.....
..KssYGGCCCsssssssWWbbbbWW.WWW..
...KRRYYGGCsssWWWWWbbWWWW..WbWW.
...KKRRYYGGssWWbbWbbWWWWWWWWbbWW
....KKRRYYsssWbbbbbbbbbbbbbbbbbW
......KKRRsssWbbbbbbbbbbbbbbbbbW
.......KKKdddWWbbWWWWbbWWWWWbbWW
..........KKKKWWWW..WWbbWWWWbWW.
.....................WWbbbbWWW..
......................WWbbbW....
.......................WbbbW....
.......................WWWWW....
"""

SIZE = 32


def rows_of(picture):
    rows = [line for line in picture.splitlines() if line.strip()]
    if len(rows) != SIZE:
        sys.exit(f"the picture has {len(rows)} rows, not {SIZE}")
    for n, row in enumerate(rows):
        if len(row) != SIZE:
            sys.exit(f"row {n} is {len(row)} pixels wide, not {SIZE}")
        bad = set(row) - set(INK) - {'.'}
        if bad:
            sys.exit(f"row {n} uses unknown characters {sorted(bad)}")
    return rows


def icon_image(rows):
    """BITMAPINFOHEADER, palette, XOR bitmap and AND mask, both bottom-up."""
    xor_bytes = bytearray()
    and_bytes = bytearray()
    for row in reversed(rows):
        # 4 bits per pixel, high nibble first; 32 pixels = 16 bytes, already DWORD-aligned.
        # Transparent pixels take colour 0 so the XOR leaves the screen alone.
        indexes = [INK.get(ch, 0) for ch in row]
        for i in range(0, SIZE, 2):
            xor_bytes.append(indexes[i] << 4 | indexes[i + 1])
        # 1 bit per pixel, 1 = transparent; 32 pixels = 4 bytes.
        bits = 0
        for ch in row:
            bits = bits << 1 | (ch == '.')
        and_bytes += bits.to_bytes(4, 'big')

    header = struct.pack(
        '<IiiHHIIiiII',
        40,            # biSize
        SIZE,          # biWidth
        SIZE * 2,      # biHeight: the XOR image and the AND mask together
        1,             # biPlanes
        4,             # biBitCount
        0,             # biCompression: BI_RGB
        len(xor_bytes) + len(and_bytes),  # biSizeImage
        0, 0,          # pixels per metre
        0, 0)          # biClrUsed, biClrImportant: the full 16
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor_bytes) + bytes(and_bytes)
    assert len(image) == 744, len(image)
    return image


def icon_file(image):
    directory = struct.pack('<HHH', 0, 1, 1)  # reserved, type 1 = icon, one image
    entry = struct.pack(
        '<BBBBHHII',
        SIZE, SIZE,    # width, height
        16,            # colours
        0,             # reserved
        1,             # planes
        4,             # bits per pixel
        len(image),
        len(directory) + 16)  # the image follows this one 16-byte entry
    return directory + entry + image


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'res', 'MasterInstall.ico')
    data = icon_file(icon_image(rows_of(PICTURE)))
    with open(out, 'wb') as f:
        f.write(data)
    print(f"wrote {out} ({len(data)} bytes)")


if __name__ == '__main__':
    main()
