#!/usr/bin/env python3
"""The update's time in a q7310 trace against its wire time at 57600 bps.

The update runs from its first frame sent (CMD_UPDATE_START) to its last reply received; its
time is the span of the two trace stamps, its wire time that of every frame logged in between
(requests, replies and device messages), as bench/ computes it.

    update_wire_ratio.py TRACE   prints "update: 14.301 s for wire time 13.741 s = 1.0408x"
"""

import datetime
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "bench"))
from benchkit import wire  # noqa: E402

UPDATE_PREFIX = "CMD_UPDATE"


def traced_frames(trace):
    """(stamp in seconds, command name, frame bytes) of every TX and RX line of a trace."""
    with open(trace, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            fields = line.split(" ", 3)
            if len(fields) < 4 or fields[1] not in ("TX", "RX") or " | " not in line:
                continue
            stamp = datetime.datetime.fromisoformat(fields[0]).timestamp()
            yield stamp, fields[2], bytes.fromhex(line.rsplit(" | ", 1)[1])


def update_frames(trace):
    """The frames from the update's first to its last, device messages between them included."""
    frames = list(traced_frames(trace))
    update = [i for i, (_, name, _) in enumerate(frames) if name.startswith(UPDATE_PREFIX)]
    return frames[update[0]:update[-1] + 1] if update else []


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: update_wire_ratio.py TRACE")
    frames = update_frames(sys.argv[1])
    if not frames:
        sys.exit("no update in " + sys.argv[1])
    took = frames[-1][0] - frames[0][0]
    wire_time = wire.wire_seconds(sum(wire.envelope_size(f) for _, _, f in frames))
    print("update: %.3f s for wire time %.3f s = %.4fx" % (took, wire_time, took / wire_time))


if __name__ == "__main__":
    main()
