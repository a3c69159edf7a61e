#!/usr/bin/env python3
"""Decodes a raster print job of the printer command language, written from
the language's grammar alone, for the driver's tests.

usage: PCL_BYTES_PER_ROW=B pcl_decode.py JOB OUT_DIR

Writes into OUT_DIR:
  sequences.txt every command other than row data, one a line in order, ESC
                shown as "<ESC>" and a form feed as "<FF>"
  pages.txt     one line a page: raster lines, planes, rows decoded, and the
                row kinds in order (V or W each)
  planes.bin    every decoded plane row of every page in stream order, each
                exactly bytes_per_row bytes

Row decoding: B = (pixels + 7) / 8 bytes per plane row. Mode 0 copies the
data and zero-fills to B; mode 2 (PackBits) reads a control byte c: 0..127
copies c + 1 bytes, 129..255 repeats the next byte 257 - c times, 128 does
nothing; mode 3 (delta row) starts from the plane's previous row, and each
command byte holds (count - 1) in its top 3 bits and an offset in its low 5
(31: more offset bytes follow while they are 255, then one below 255); the
offset counts unchanged bytes since the previous command's end. Each plane
keeps its own previous row; a row of length 0 in mode 0 is all zeros.

Exits 1 with a message when the job breaks the grammar.
"""
import os
import re
import sys

ESC = 0x1B
PARAM = re.compile(rb"\x1b([\x21-\x2f])([\x60-\x7e])((?:[+-]?[0-9]+(?:\.[0-9]+)?[\x60-\x7e])*)([+-]?[0-9]+(?:\.[0-9]+)?)?([\x40-\x5e])")


class JobError(Exception):
    pass


def show(raw):
    return raw.replace(b"\x1b", b"<ESC>").decode("latin-1")


def unpack_bits(data, width):
    out = bytearray()
    i = 0
    while i < len(data):
        c = data[i]
        i += 1
        if c < 128:
            out += data[i:i + c + 1]
            i += c + 1
        elif c > 128:
            if i >= len(data):
                raise JobError("repeat block without its byte")
            out += bytes([data[i]]) * (257 - c)
            i += 1
    if len(out) > width:
        raise JobError("PackBits row longer than %d bytes" % width)
    return bytes(out) + bytes(width - len(out))


def undelta(data, seed):
    row = bytearray(seed)
    i, p = 0, 0
    while i < len(data):
        c = data[i]
        i += 1
        count = (c >> 5) + 1
        offset = c & 31
        if offset == 31:
            while True:
                if i >= len(data):
                    raise JobError("delta offset runs off the row")
                extra = data[i]
                i += 1
                offset += extra
                if extra != 255:
                    break
        p += offset
        if p + count > len(row) or i + count > len(data):
            raise JobError("delta command past the row")
        row[p:p + count] = data[i:i + count]
        i += count
        p += count
    return bytes(row)


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    job_path, out_dir = sys.argv[1], sys.argv[2]
    # The row width is not part of the job: the test names it.
    width = int(os.environ.get("PCL_BYTES_PER_ROW", "0"))
    with open(job_path, "rb") as f:
        job = f.read()
    try:
        sequences, pages, planes = decode(job, width)
    except JobError as e:
        print("pcl_decode: %s" % e, file=sys.stderr)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "sequences.txt"), "w") as f:
        f.writelines(s + "\n" for s in sequences)
    with open(os.path.join(out_dir, "pages.txt"), "w") as f:
        for p in pages:
            f.write("%d %d %d %s\n" % (p["lines"], p["planes"], p["rows"], p["row_kinds"]))
    with open(os.path.join(out_dir, "planes.bin"), "wb") as f:
        f.write(planes)
    return 0


def decode(job, width):
    sequences, pages, planes_out = [], [], bytearray()
    page = None
    mode = 0
    seeds = {}
    plane_index = 0
    pos = 0
    while pos < len(job):
        b = job[pos]
        if b == 0x0C:
            sequences.append("<FF>")
            pos += 1
            continue
        if b != ESC:
            raise JobError("stray byte 0x%02x at %d" % (b, pos))
        if job.startswith(b"\x1b%-12345X", pos):
            sequences.append("<ESC>%-12345X")
            pos += 9
            continue
        if job.startswith(b"\x1bE", pos):
            sequences.append("<ESC>E")
            pos += 2
            continue
        m = PARAM.match(job, pos)
        if not m:
            raise JobError("unknown sequence at %d: %r" % (pos, job[pos:pos + 8]))
        group = m.group(1) + m.group(2)
        value = int(m.group(4)) if m.group(4) is not None else None
        final = m.group(5)
        pos = m.end()
        if group == b"*b" and final in (b"V", b"W"):
            if page is None:
                raise JobError("row data outside a raster")
            data = job[pos:pos + value]
            if len(data) != value:
                raise JobError("row data cut short")
            pos += value
            seed = seeds.get(plane_index, bytes(width))
            if mode == 0:
                if value > width:
                    raise JobError("raw row longer than %d bytes" % width)
                row = bytes(data) + bytes(width - value)
            elif mode == 2:
                row = unpack_bits(data, width)
            elif mode == 3:
                row = undelta(data, seed)
            else:
                raise JobError("unknown compression mode %d" % mode)
            seeds[plane_index] = row
            planes_out += row
            page["rows"] += 1
            page["row_kinds"] += final.decode()
            plane_index = plane_index + 1 if final == b"V" else 0
            continue
        sequences.append(show(m.group(0)))
        if group == b"*b" and final == b"M":
            mode = value
        elif group == b"*r" and final == b"T":
            page = {"lines": value, "planes": 1, "bytes_per_row": width, "rows": 0,
                    "row_kinds": ""}
            pages.append(page)
        elif group == b"*r" and final == b"U":
            page["planes"] = -value
        elif group == b"*r" and final == b"A":
            seeds, mode, plane_index = {}, 0, 0
    return sequences, pages, planes_out


if __name__ == "__main__":
    sys.exit(main())
