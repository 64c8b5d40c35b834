#!/usr/bin/env python3
# Writes the page pictures that check playback of figures far outside the page: a wide dashed pen over
# coordinates near the 32-bit limits, and pairs of pictures whose far and near figures show the same on
# an A4 page at 96 pixels per inch. Run from this folder; the files are kept in the repository.
import struct

PS_SOLID, PS_DASH, PS_DASHDOT = 0, 1, 3
FAR = 2147483000


def record(kind, payload):
    return struct.pack('<II', kind, 8 + len(payload)) + payload


def pen(index, style, width, colour):
    return record(38, struct.pack('<IIiiI', index, style, width, 0, colour))


def brush(index, colour):
    return record(39, struct.pack('<IIII', index, 0, colour, 0))


def select(index):
    return record(37, struct.pack('<I', index))


def line(x0, y0, x1, y1):
    return record(27, struct.pack('<ii', x0, y0)) + record(54, struct.pack('<ii', x1, y1))


def box(kind, left, top, right, bottom, corner=None):
    payload = struct.pack('<iiii', left, top, right, bottom)
    if corner:
        payload += struct.pack('<ii', *corner)
    return record(kind, payload)


def poly(kind, points):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    payload = struct.pack('<iiiiI', min(xs), min(ys), max(xs), max(ys), len(points))
    return record(kind, payload + b''.join(struct.pack('<ii', x, y) for x, y in points))


def picture(body, handles, width=794, height=1123):
    records = 0
    offset = 0
    while offset < len(body):
        offset += struct.unpack_from('<I', body, offset + 4)[0]
        records += 1
    eof = record(14, struct.pack('<III', 0, 16, 20))
    size = 108 + len(body) + len(eof)
    frame = (0, 0, round(width * 2540 / 96), round(height * 2540 / 96))
    header = struct.pack('<II', 1, 108) + struct.pack('<iiii', 0, 0, -1, -1) + struct.pack('<iiii', *frame)
    header += struct.pack('<IIIIHHIII', 0x464D4520, 0x00010000, size, records + 2, handles, 0, 0, 0, 0)
    header += struct.pack('<iiiiIIIii', 1920, 1440, 508, 381, 0, 0, 0, 508000, 381000)
    return header + body + eof


zigzag = [(FAR if k % 2 else -FAR, FAR - k if k % 4 < 2 else -FAR + k) for k in range(100)]
far_figures = (pen(1, PS_DASH, 10000, 0x000000) + select(1) + poly(4, zigzag) + poly(3, zigzag) +
               box(43, -FAR, -FAR, FAR, FAR) + box(42, -FAR, -FAR, FAR, FAR) +
               box(44, -FAR, -FAR, FAR, FAR, (FAR, FAR)) + line(-FAR, 300, FAR, 301))

# The far and near versions of each figure agree on the page: solid lines and a filled rectangle that
# run past every edge, and dashed lines that start a whole number of dash patterns before the page's
# left edge, a hundred thousand of them or one, so that the dashes fall alike.
def solid_and_filled(far):
    reach = FAR if far else 1200
    return (pen(1, PS_SOLID, 20, 0x0000FF) + brush(2, 0x00FF00) + select(2) + select(1) +
            box(43, -reach, 700, reach, 900) + line(-reach, 300, reach, 300) + line(400, -reach, 400, reach))


def dashes(far):
    body = b''
    for index, style, width, y in ((1, PS_DASH, 4, 500), (2, PS_DASH, 1, 600), (3, PS_DASHDOT, 3, 650)):
        pattern = (6 if style == PS_DASH else 9) * max(width, 1)
        start = -pattern * (100000 if far else 1)
        end = pattern * 100000 if far else 800
        body += pen(index, style, width, 0x000000) + select(index) + line(start, y, end, y)
    return body


files = {
    'far-wide-dashed-figures.emf': picture(far_figures, 2),
    'solid-far.emf': picture(solid_and_filled(True), 3),
    'solid-near.emf': picture(solid_and_filled(False), 3),
    'dashes-far.emf': picture(dashes(True), 4),
    'dashes-near.emf': picture(dashes(False), 4),
}
for name, data in files.items():
    with open(name, 'wb') as f:
        f.write(data)
