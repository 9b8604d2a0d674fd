"""The generated firmware files the benchmarks load and send (tools/gen_srec.py)."""

import subprocess
import sys
from dataclasses import dataclass

from . import tools

KIB = 1024
MIB = 1024 * KIB
BYTES_PER_RECORD = 32


@dataclass(frozen=True)
class ImageSpec:
    name: str
    size: int
    record_type: str
    start: int
    seed: int


UPDATE_64K = ImageSpec("update-64KiB", 64 * KIB, "S2", 0x010000, 201)
LOAD_1M = ImageSpec("load-1MiB", 1 * MIB, "S2", 0x010000, 11)
LOAD_8M = ImageSpec("load-8MiB", 8 * MIB, "S3", 0x00100000, 81)


def generate(image, folder):
    """Writes the image's S-record file into folder once and returns its path."""
    path = folder / (image.name + ".mot")
    if not path.exists():
        subprocess.run([sys.executable, str(tools.GEN_SREC), str(path), "--size", str(image.size),
                        "--type", image.record_type, "--bytes-per-record", str(BYTES_PER_RECORD),
                        "--start", hex(image.start), "--seed", str(image.seed)], check=True)
    return path
