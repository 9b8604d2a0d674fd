"""Wire time of a procedure, computed from the frames that q7310 --trace logged.

Every frame sent (TX) and received (RX) costs its envelope on the line: DLE STX, the frame with
every 0x10 doubled, DLE ETX and two checksum bytes; each byte takes 10 bit times at 57600 bps.
"""

import datetime

BAUD_RATE = 57600
BITS_PER_BYTE = 10
DLE = 0x10
ENVELOPE_EXTRA = 6  # DLE STX, DLE ETX, checksum high and low


def envelope_size(frame):
    return len(frame) + ENVELOPE_EXTRA + frame.count(DLE)


def trace_frames(path, with_time=False):
    """(direction, frame bytes) of every TX and RX line of a trace file; with_time puts the
    line's time stamp (seconds) first."""
    frames = []
    with open(path, encoding="utf-8", errors="replace") as trace:
        for line in trace:
            fields = line.split(" ", 2)
            if len(fields) < 3 or fields[1] not in ("TX", "RX") or " | " not in line:
                continue
            hex_text = line.rsplit(" | ", 1)[1].split()
            frame = bytes(int(h, 16) for h in hex_text)
            if with_time:
                stamp = datetime.datetime.fromisoformat(fields[0]).timestamp()
                frames.append((stamp, fields[1], frame))
            else:
                frames.append((fields[1], frame))
    return frames


def exchange_excess(path):
    """Seconds above the wire time of each exchange: from one request sent to the next, less the
    wire time of the frames in between (the request, its reply and any device message)."""
    frames = trace_frames(path, with_time=True)
    sent = [i for i, (_, direction, _) in enumerate(frames) if direction == "TX"]
    excess = []
    for a, b in zip(sent, sent[1:]):
        wire_time = wire_seconds(sum(envelope_size(f) for _, _, f in frames[a:b]))
        excess.append(frames[b][0] - frames[a][0] - wire_time)
    return excess


def wire_bytes(frames):
    return sum(envelope_size(frame) for _, frame in frames)


def wire_seconds(byte_count):
    return byte_count * BITS_PER_BYTE / BAUD_RATE
