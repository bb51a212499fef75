#!/usr/bin/env python3
"""Makes the saver's icon from square stills of the renderer (8-bit RGB PNG, black background):
black becomes transparent, each size becomes one 32-bit entry of a Windows .ico.
Usage: make-icon.py OUT.ico IN16.png IN32.png ... (the icon in backends/win32 is made by
scripts/make-icon.sh)."""
import struct
import sys
import zlib


def read_rgb_png(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', path
    pos, idat, width = 8, b'', 0
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and colour == 2, 'expects 8-bit RGB'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def dib_entry(width, height, rows):
    """A 32-bit BGRA bitmap, bottom-up, with its AND mask (black pixels transparent)."""
    pixels, mask_rows = b'', b''
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b = row[3 * x:3 * x + 3]
            clear = r == g == b == 0
            pixels += bytes((b, g, r, 0 if clear else 255))
            if clear:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask_rows += bytes(bits)
    header = struct.pack('<IiiHHIIiiII', 40, width, height * 2, 1, 32, 0, len(pixels) + len(mask_rows), 0, 0, 0, 0)
    return header + pixels + mask_rows


def png_entry(width, height, rows):
    """The large size as an RGBA PNG (black pixels transparent), as icons of that size are kept."""
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    raw = b''
    for row in rows:
        raw += b'\0' + b''.join(bytes((row[3 * x], row[3 * x + 1], row[3 * x + 2], 0 if row[3 * x:3 * x + 3] == b'\0\0\0' else 255))
                                 for x in range(width))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(out, inputs):
    entries = [(w, h, (png_entry if w >= 256 else dib_entry)(w, h, rows))
               for w, h, rows in map(read_rgb_png, inputs)]
    offset = 6 + 16 * len(entries)
    directory, images = b'', b''
    for w, h, blob in entries:
        directory += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(blob), offset + len(images))
        images += blob
    open(out, 'wb').write(struct.pack('<HHH', 0, 1, len(entries)) + directory + images)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2:])
