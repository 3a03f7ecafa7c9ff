#!/usr/bin/env python3
"""An independent reader and writer of FilePack archives, written from the
archive layout alone (standard library only), used as the tests' oracle.

The .index file is little-endian without padding: every field is a u32
length followed by that many bytes; integers are the length 4 and a u32.
An integer whose length field is 0 reads as 0.
Head: version text, vendor text, item count. Each item: name (GBK, parts
separated by backslashes), valid flag, offset in the .dat, length.

  filepack.py list INDEX
      one line per item: name<TAB>valid<TAB>offset<TAB>length
  filepack.py extract INDEX DAT DIR
      writes every item to DIR/<name with "/" for "\">
  filepack.py write INDEX DAT [options] NAME=SOURCE ...
      writes a pack of the given files, in order; the options make it broken:
        --count N          store N as the item count
        --int-length N     store N as the length field of every integer
        --zero-as-empty    store every integer 0 as a field of length 0
        --extra-length N   store each item's length N bytes too long
        --raw-name HEX     add one empty item whose name is these bytes
"""

import argparse
import os
import struct
import sys


def read_pack(index_path):
    with open(index_path, "rb") as f:
        data = f.read()
    pos = 0

    def field():
        nonlocal pos
        (n,) = struct.unpack_from("<I", data, pos)
        pos += 4
        value = data[pos:pos + n]
        if len(value) != n:
            raise ValueError("field cut off")
        pos += n
        return value

    def integer():
        value = field()
        if len(value) == 0:
            return 0
        if len(value) != 4:
            raise ValueError("integer of %d bytes" % len(value))
        return struct.unpack("<I", value)[0]

    version = field().decode("ascii")
    vendor = field().decode("ascii")
    count = integer()
    items = []
    for _ in range(count):
        name = field().decode("gbk")
        items.append((name, integer(), integer(), integer()))
    return version, vendor, items


def cmd_list(args):
    _, _, items = read_pack(args.index)
    out = sys.stdout.buffer
    for name, valid, offset, length in items:
        out.write(("%s\t%d\t%d\t%d\n" % (name, valid, offset, length)).encode("utf-8"))


def cmd_extract(args):
    _, _, items = read_pack(args.index)
    with open(args.data, "rb") as dat:
        for name, _, offset, length in items:
            target = os.path.join(args.dir, *[p for p in name.split("\\") if p not in ("", ".")])
            os.makedirs(os.path.dirname(target), exist_ok=True)
            dat.seek(offset)
            body = dat.read(length)
            if len(body) != length:
                raise ValueError("item %s cut off" % name)
            with open(target, "wb") as out:
                out.write(body)


def cmd_write(args):
    int_length = args.int_length

    def text(value):
        return struct.pack("<I", len(value)) + value

    def integer(value):
        if args.zero_as_empty and value == 0:
            return struct.pack("<I", 0)
        body = struct.pack("<I", value & 0xFFFFFFFF)
        body = (body + b"\0" * max(0, int_length - 4))[:int_length]
        return struct.pack("<I", int_length) + body

    items = []
    dat = b""
    for spec in args.files:
        name, source = spec.split("=", 1)
        with open(source, "rb") as f:
            body = f.read()
        items.append((name.encode("gbk"), len(dat), len(body)))
        dat += body
    if args.raw_name is not None:
        items.append((bytes.fromhex(args.raw_name), len(dat), 0))
    count = len(items) if args.count is None else args.count
    index = text(b"1.0.0") + text(b"zuvo.local") + integer(count)
    for name, offset, length in items:
        index += text(name) + integer(1) + integer(offset) + integer(length + args.extra_length)
    with open(args.index, "wb") as f:
        f.write(index)
    with open(args.data, "wb") as f:
        f.write(dat)


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("list")
    p.add_argument("index")
    p.set_defaults(run=cmd_list)
    p = sub.add_parser("extract")
    p.add_argument("index")
    p.add_argument("data")
    p.add_argument("dir")
    p.set_defaults(run=cmd_extract)
    p = sub.add_parser("write")
    p.add_argument("index")
    p.add_argument("data")
    p.add_argument("--count", type=int)
    p.add_argument("--int-length", type=int, default=4)
    p.add_argument("--extra-length", type=int, default=0)
    p.add_argument("--zero-as-empty", action="store_true")
    p.add_argument("--raw-name")
    p.add_argument("files", nargs="*")
    p.set_defaults(run=cmd_write)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
