#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/, each file made by hand here.

Run it only to change the seeds; the fuzz script never adds to them.
  fuzz_binary_reader/  binary tables: well-formed, cut, with odd counts and names
  fuzz_text_reader/    text tables: the layouts the reader accepts and the odd ones
  fuzz_round_trip/     inputs for the round trip's decoder (see fuzz_round_trip.cpp)
"""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def bucket(name7):
    return sum(b - 32 if 0x61 <= b <= 0x7A else b for b in name7[:7]) & 0xFF


def record(name, fpd=0, speed=0, frames=b""):
    field = name.ljust(8, b"\0")[:8]
    return field + struct.pack("<ii", fpd, speed) + frames.ljust(144, b"\0")[:144]


def table(records):
    """256 blocks, each record in the block of its name's bucket."""
    blocks = [[] for _ in range(256)]
    for r in records:
        blocks[bucket(r[:7])].append(r)
    return b"".join(struct.pack("<i", len(b)) + b"".join(b) for b in blocks)


def blocks(counts_and_records):
    """256 blocks as given: {bucket: (count, [records])}, others empty."""
    out = b""
    for b in range(256):
        count, recs = counts_and_records.get(b, (0, []))
        out += struct.pack("<i", count) + b"".join(recs)
    return out


def header():
    return "\t".join(["CofName", "FramesPerDirection", "AnimationSpeed"] +
                     ["FrameData%03d" % n for n in range(144)]).encode()


def line(name, fpd, speed, frames):
    values = [fpd, speed] + list(frames) + [0] * (144 - len(frames))
    return name + b"".join(b"\t%d" % v for v in values)


def write(target, name, data):
    directory = os.path.join(ROOT, target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


walking = record(b"Walking", 8, 256, bytes([0, 1, 2, 255]))
abc = record(b"abc", -1, -2147483648, bytes(range(144)))
ABC = record(b"ABC", 2147483647, 0, bytes(range(255, 111, -1)))
zeta = record(b"Zeta", 16, 25, b"\x10" * 144)
well_formed = table([walking, abc, ABC, zeta])

# --- binary tables ----------------------------------------------------------
B = "fuzz_binary_reader"
write(B, "empty_blocks.qz", bytes(1024))
write(B, "four_records.qz", well_formed)
write(B, "cut_inside_record.qz", well_formed[:-100])
write(B, "trailing_bytes.qz", well_formed + b"tail\0\1\2")
write(B, "three_bytes.qz", b"\x01\x00\x00")
# First count -5, a record in block 7 whose name belongs to bucket 13.
write(B, "negative_count.qz", blocks({0: (-5, []), 7: (1, [walking])}))
# A count larger than the records that follow: later counts are read as records.
write(B, "overlong_count.qz", blocks({3: (5, [abc]), 9: (1, [zeta])}))
# Names with a tab, an LF, a CR, 0xE9, all 8 bytes set, an empty name, bytes
# after the zero byte, equal names in other letter case.
odd = [record(b"a\tb"), record(b"L\nF"), record(b"C\rR", 1), record(b"\xe9t\xc9"),
       record(b"ABCDEFGH"), record(b"", 3), record(b"ab\0xyz"), record(b"AB"),
       record(b"A_B"), record(b"AAB"), record(b"A9")]
write(B, "odd_names.qz", table(odd))

# --- text tables --------------------------------------------------------------
T = "fuzz_text_reader"
rows = [line(b"abc", -1, -2147483648, range(144)),
        line(b"ABC", 2147483647, 0, range(255, 111, -1)),
        line(b"Walking", 8, 256, [0, 1, 2, 255]),
        line(b"WALKING", 8, 256, [0, 1, 2, 255]),
        line(b"Zeta", 16, 25, [16] * 144)]
write(T, "written_table.txt", b"\r\n".join([header()] + rows) + b"\r\n")
write(T, "header_only.txt", header())
write(T, "blank_lines.txt", b"H\r\n\r\n\n\r")
# LF and CR alone, blank lines between records, several tabs and spaces.
write(T, "mixed_line_ends.txt",
      b"H\n" + rows[0] + b"\r\r\n\n" + rows[4].replace(b"\t", b" \t ", 20) + b"\r" + rows[2] + b"\n\n")
# The quoted 7-character name, a 10-character token, hex, octal, signs, wrap-around.
write(T, "value_forms.txt",
      b"H\r\n\"ABCDEFG\"\t0x1F\t017\t+7\t-1\t256\t300\t4294967295\t2147483648\t0X10\r\n"
      b"ABCDEFGHIJ\t1\t2\t3\r\n")
# A lone minus, a bare 0x, letters where numbers are due, 08 split in two.
write(T, "unreadable_values.txt",
      b"H\r\nAlpha\t5\t-\t9\t0x\t7\r\nBeta\t6\tabc\t1\r\nGamma\t08\t3\r\n")
# An empty name, a one-character name, a trailing tab, a line of spaces.
write(T, "short_names.txt",
      b"H\r\n" + line(b"", 1, 2, [3]) + b"\r\n" + line(b"x", 4, 5, [6]) + b"\t\r\n"
      + line(b"Next", 7, 8, [9]) + b"\r\n   \t \r\n")
# No header line: the file begins with its first record.
write(T, "starts_with_line_end.txt", b"\r\n" + rows[0] + b"\r\n" + rows[1] + b"\r\n")

# --- round-trip decoder inputs ------------------------------------------------
R = "fuzz_round_trip"
# Control 0x03: a 5-character name, small values, FrameData as a run.
write(R, "one_record", b"\x03Hello\x05\xfb\x10")
# Full values and FrameData, then the same name twice more, once in other case.
full = b"\x65" + b"Walking" + struct.pack("<ii", -7, 2147483647) + bytes(range(144))
write(R, "repeated_names", full + b"\x08\x01\x02\x03" + b"\x18\x04\x05\x06")
# A 7-character name with an eighth byte, names with 0x80+ bytes and quotes.
write(R, "odd_names", b"\x85ABCDEFG\x01\x02\x03\xff" + b"\x00\xe9\xc9\x00\x00\x00"
      + b"\x01\"q\"\x01\x02\x03" + b"\x05-1x\"\x7f_1\x00\x00")
