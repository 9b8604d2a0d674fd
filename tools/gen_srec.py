#!/usr/bin/env python3
"""Writes a well-formed Motorola S-record file of pseudo-random firmware bytes.

The file has an S0 header on line 1, data records of one type (S1, S2 or S3) and the matching
terminator (S9, S8 or S7) on the last line. The data covers the addresses START .. START+SIZE-1;
the first and the last record are always written, so the image spans exactly that range.

Options shape the file: --gaps drops records (their bytes stay 0xFF in the image), --overlaps
adds records that rewrite bytes already written (the later line wins), --order sorts the data
records. --expect writes the image that a loader must stage for the file: the bytes from the
lowest to the highest address, gaps 0xFF, later lines winning.

The data is made up, so the S0 header says so by default: SAMPLE_HEADER carries the phrase that
marks the simulator's sample (kSimulatorSampleMark in src/firmware/header_record.h), and an update
refuses a file with it unless the program is started with --allow-sample. Such a file is for
q7310-sim only, never for an amplifier.

The repository's sample (the image bytes are those of seed 201; only the header marks it):
  gen_srec.py samples/sample-firmware.mot --size 65536 --type S2 --bytes-per-record 32 \\
      --start 0x010000 --seed 201
"""

import argparse
import random
import sys

ADDRESS_BYTES = {"S1": 2, "S2": 3, "S3": 4}
TERMINATOR = {"S1": "S9", "S2": "S8", "S3": "S7"}
# Address field width of every record type written here.
FIELD_BYTES = {"S0": 2, "S1": 2, "S2": 3, "S3": 4, "S7": 4, "S8": 3, "S9": 2}
MAX_COUNT = 0xFF
# The default header: the mark of the simulator's sample (src/firmware/header_record.h), and what
# the file is not.
SAMPLE_MARK = "SAMPLE FOR q7310-sim ONLY"
SAMPLE_HEADER = SAMPLE_MARK + " - NOT FIRMWARE FOR AN AMPLIFIER"


def record(rtype, address, data):
    """One record line (without line end) of type rtype."""
    address_bytes = FIELD_BYTES[rtype]
    count = address_bytes + len(data) + 1
    body = bytes([count]) + address.to_bytes(address_bytes, "big") + bytes(data)
    checksum = ~sum(body) & 0xFF
    return rtype + body.hex().upper() + "%02X" % checksum


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("output", help="the S-record file to write")
    p.add_argument("--size", type=lambda s: int(s, 0), required=True, help="image size in bytes")
    p.add_argument("--type", choices=sorted(ADDRESS_BYTES), default="S2", help="data record type")
    p.add_argument("--bytes-per-record", type=int, default=32, help="data bytes per record")
    p.add_argument("--start", type=lambda s: int(s, 0), default=0, help="first address")
    p.add_argument("--seed", type=int, default=1, help="seed of the pseudo-random data")
    p.add_argument("--gaps", type=int, default=0, help="number of records to leave out")
    p.add_argument("--overlaps", type=int, default=0, help="number of overlapping records to add")
    p.add_argument("--order", choices=["ascending", "descending", "shuffled"], default="ascending")
    p.add_argument("--header", default=SAMPLE_HEADER,
                   help="text of the S0 header (default: the simulator's sample mark)")
    p.add_argument("--crlf", action="store_true", help="end lines with CR LF instead of LF")
    p.add_argument("--expect", help="also write the expected staged image to this file")
    args = p.parse_args(argv)

    width = ADDRESS_BYTES[args.type]
    most = MAX_COUNT - width - 1
    if not 1 <= args.bytes_per_record <= most:
        p.error("--bytes-per-record must be 1 .. %d for %s" % (most, args.type))
    if args.size < 1:
        p.error("--size must be at least 1")
    if args.start < 0 or args.start + args.size - 1 >= 1 << (8 * width):
        p.error("the address range does not fit %s addresses" % args.type)
    return args


def main(argv):
    args = parse_args(argv)
    rng = random.Random(args.seed)
    image = bytearray(rng.randbytes(args.size))

    chunks = []  # (address, data) in address order
    for offset in range(0, args.size, args.bytes_per_record):
        data = image[offset:offset + args.bytes_per_record]
        chunks.append((args.start + offset, bytes(data)))

    # Gaps: leave out inner records; their bytes become 0xFF in the image.
    inner = list(range(1, len(chunks) - 1))
    dropped = set(rng.sample(inner, min(args.gaps, len(inner))))
    for index in dropped:
        address, data = chunks[index]
        offset = address - args.start
        image[offset:offset + len(data)] = b"\xff" * len(data)
    chunks = [c for i, c in enumerate(chunks) if i not in dropped]

    if args.order == "descending":
        chunks.reverse()
    elif args.order == "shuffled":
        rng.shuffle(chunks)

    # Overlaps: records with fresh data over bytes written before, inserted after a random line;
    # a later line wins, so the image is rebuilt in line order below.
    for _ in range(args.overlaps):
        length = rng.randint(1, args.bytes_per_record)
        offset = rng.randint(0, args.size - length)
        data = rng.randbytes(length)
        chunks.insert(rng.randint(0, len(chunks)), (args.start + offset, data))

    if args.overlaps:
        image = bytearray(b"\xff" * args.size)
        for address, data in chunks:
            offset = address - args.start
            image[offset:offset + len(data)] = data

    end = "\r\n" if args.crlf else "\n"
    with open(args.output, "w", newline="") as out:
        out.write(record("S0", 0, args.header.encode("ascii")) + end)
        for address, data in chunks:
            out.write(record(args.type, address, data) + end)
        out.write(record(TERMINATOR[args.type], args.start, b"") + end)

    if args.expect:
        with open(args.expect, "wb") as out:
            out.write(image)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
