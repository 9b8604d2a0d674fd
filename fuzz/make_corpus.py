#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Usage: fuzz/make_corpus.py SETTINGS0.RAW SETTINGS1.RAW BACKUP.BIN
  SETTINGSn.RAW  raw settings as q7310-sim --format n --save-settings writes them
  BACKUP.BIN     a backup that q7310 saved from such settings
The frames are built here in the wire layout (little-endian fields, DLE STX ... DLE ETX, a
16-bit big-endian byte sum); the firmware seeds are cut from samples/sample-firmware.mot.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DLE, STX, ETX = 0x10, 0x02, 0x03
CMD_UPDATE_REPLY, CMD_DEVICE_MESSAGE = 0x20, 0x25
CMD_READ_SLOT_REPLY, CMD_WRITE_SLOT_REPLY = 0x40, 0x41
SLOT_BLOCK = 128
RXERR_CHECKSUM = 0x10000000
TIMER_BIT, STATUS_BIT = 0x8000, 0x4000


def envelope(frame, break_sum=False):
    out = bytearray([DLE, STX])
    total = 0
    for b in frame:
        out.append(b)
        total += b
        if b == DLE:
            out.append(DLE)
            total += DLE
    total &= 0xFFFF
    if break_sum:
        total ^= 0x0101
    return bytes(out + bytes([DLE, ETX, total >> 8, total & 0xFF]))


def read_slot_reply(status, end, block, slot, data):
    f = bytearray(struct.pack("<HHBBHH", CMD_READ_SLOT_REPLY, 10 + len(data), status, end,
                              block, slot))
    return bytes(f + data)


def update_reply(status):
    return struct.pack("<HHH", CMD_UPDATE_REPLY, 6, status)


def write_slot_reply(status):
    return struct.pack("<HHBB", CMD_WRITE_SLOT_REPLY, 6, status, 0)


def device_message(status, text):
    return struct.pack("<HHHH", CMD_DEVICE_MESSAGE, 8 + len(text), status, 0) + text


def raw_records(raw):
    pos = 0
    while pos + 4 <= len(raw):
        slot, length = struct.unpack(">HH", raw[pos:pos + 4])
        yield slot, raw[pos + 4:pos + 4 + length]
        pos += 4 + length


def backup_replies(raw):
    """The read-slot replies an amplifier sends for these settings, in order."""
    for slot, data in raw_records(raw):
        blocks = [data[i:i + SLOT_BLOCK] for i in range(0, len(data), SLOT_BLOCK)] or [b""]
        for n, chunk in enumerate(blocks):
            yield read_slot_reply(0, 1 if n == len(blocks) - 1 else 0, n, slot, chunk)


def dispatch_input(mode, status, records):
    """Input of fuzz_frame_dispatch: mode, status word, then (flags, frame) records."""
    out = bytearray([mode]) + struct.pack(">I", status)
    for flags, frame in records:
        out += struct.pack(">H", flags | len(frame)) + frame
    return bytes(out)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def write_protocol_seeds():
    requests = {
        "read_slot": struct.pack("<HHHHH", 0x30, 10, 0, 0, 3),
        "write_slot": struct.pack("<HHBBHH", 0x31, 14, 0, 1, 2, 5) + b"\x01\x02\x03\x04",
        "update_start": struct.pack("<HHHHIII", 0x10, 20, 0, 0, 0x8000, 0x1234, 0x5678),
        "update_data": struct.pack("<HHHH", 0x11, 12, 0, 7) + b"\xAA" * 4,
    }
    replies = {
        "update_reply": update_reply(1),
        "device_message": device_message(1, b"Writing flash memory"),
        "read_slot_reply": read_slot_reply(0, 1, 0, 3, b"\x10" * 8),
        "write_slot_reply": write_slot_reply(0),
        "slot_reply_too_long": read_slot_reply(0, 1, 0, 3, b"\x00" * 129),
    }
    for name, frame in {**requests, **replies}.items():
        write("fuzz_protocol_parse", name, frame)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    raw0, raw1, backup = (open(p, "rb").read() for p in sys.argv[1:])

    # Frame assembler: real frames, frames with DLE in them, damage.
    replies = list(backup_replies(raw1))
    write("fuzz_frame_assembler", "slot_replies", b"".join(envelope(f) for f in replies[:4]))
    write("fuzz_frame_assembler", "update_replies",
          envelope(update_reply(1)) + envelope(device_message(1, b"Writing flash\0")))
    write("fuzz_frame_assembler", "doubled_dle", envelope(bytes([DLE, 0x41, DLE, DLE, 6, 0])))
    write("fuzz_frame_assembler", "bad_checksum", envelope(write_slot_reply(0), break_sum=True))
    write("fuzz_frame_assembler", "framing_error",
          bytes([0x55, DLE, STX, 0x41, 0, DLE, 0x07]) + envelope(write_slot_reply(0)))

    # Frame dispatch: a whole backup, an update, a restore, damage and time-outs.
    write("fuzz_frame_dispatch", "backup_complete",
          dispatch_input(1, 0, [(0, f) for f in backup_replies(raw1)]))
    write("fuzz_frame_dispatch", "backup_resend_and_damage",
          dispatch_input(1, RXERR_CHECKSUM,
                         [(TIMER_BIT, replies[0]), (STATUS_BIT, replies[1])] +
                         [(0, f) for f in replies[1:6]]))
    write("fuzz_frame_dispatch", "update_complete",
          dispatch_input(2, 0, [(0, update_reply(1)), (0, device_message(1, b"Erasing\0")),
                                (0, update_reply(1)), (0, update_reply(1)),
                                (0, update_reply(1))]))
    write("fuzz_frame_dispatch", "update_failed",
          dispatch_input(2, 0, [(0, update_reply(1)), (0, device_message(0, b"x" * 140))]))
    write("fuzz_frame_dispatch", "restore_start",
          dispatch_input(3, 0, [(0, write_slot_reply(0))] * 40 + [(0, write_slot_reply(1))]))
    write("fuzz_frame_dispatch", "idle_and_timeouts",
          dispatch_input(0, 0, [(TIMER_BIT, update_reply(1))] * 5 + [(0, b"\x99\x00")]))

    # Parsers: one record of each of the eight frames, and a slot reply longer than 138 bytes.
    write_protocol_seeds()

    # S-record loader: cuts of the sample firmware in each record type.
    lines = open(os.path.join(ROOT, "samples", "sample-firmware.mot"), "rb").read().splitlines()
    write("fuzz_srec_loader", "s2_small.mot", b"\r\n".join(lines[:9] + lines[-1:]) + b"\r\n")
    write("fuzz_srec_loader", "s1.mot",
          b"S00600004844521B\nS1130000285F245F2212226A000424290008237C2A\n"
          b"S11300100002000800082629001853812341001813\nS9030000FC\n")
    write("fuzz_srec_loader", "s3.mot",
          b"S00600004844521B\nS30D0000100001020304050607083E\nS70500001000EA\n")
    # Refused files: cut short after a data line, and without the S0 header.
    write("fuzz_srec_loader", "cut_short.mot", b"\n".join(lines[:9]) + b"\n")
    write("fuzz_srec_loader", "no_header.mot", b"\n".join(lines[1:9] + lines[-1:]) + b"\n")

    # Backup restore: a real BACKUP.BIN, and its first record alone.
    write("fuzz_backup_restore", "backup.bin", backup)
    first_length = struct.unpack(">H", backup[2:4])[0]
    write("fuzz_backup_restore", "first_record.bin", backup[:4 + first_length])

    # Converter: valid raw settings in both formats.
    write("fuzz_backup_converter", "settings_format0.raw", raw0)
    write("fuzz_backup_converter", "settings_format1.raw", raw1)


if __name__ == "__main__":
    main()
