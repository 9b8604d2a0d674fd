"""Paths of the programs measured, the build step and the timed run of one command."""

import os
import resource
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
Q7310 = BUILD / "src/cli/q7310"
SIM = BUILD / "src/sim/q7310-sim"
MIN_DECODE = BUILD / "bench/min_srec_decode"
DESKTOP = BUILD / "src/desktop/q7310-upgrade"
GEN_SREC = ROOT / "tools/gen_srec.py"
SAMPLE_FIRMWARE = ROOT / "samples/sample-firmware.mot"
# The firmware the benchmarks send is made up (gen_srec.py's files and the sample), and its header
# marks it as the simulator's sample: an update sends it only with this option.
ALLOW_SAMPLE = "--allow-sample"
GNU_TIME = "/usr/bin/time"
SREC_CAT = "srec_cat"
BUILD_TARGETS = ["q7310", "q7310-sim", "min_srec_decode"]


def build():
    """Configures the default preset if needed and builds what the benchmarks run (-j2)."""
    if not (BUILD / "build.ninja").exists():
        subprocess.run(["cmake", "--preset", "default"], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "default", "-j2", "--target"] + BUILD_TARGETS,
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)


@dataclass
class Timed:
    wall: float      # seconds, measured around the process
    user: float      # seconds of CPU time in user mode
    system: float    # seconds of CPU time in the kernel
    peak_kib: int    # peak resident set size in KiB
    returncode: int


def run_timed(cmd, timeout, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=None):
    """Runs cmd under GNU time; wall time is taken around the process here."""
    report = Path(os.environ.get("TMPDIR", "/tmp")) / ("q7310-bench-time-%d" % os.getpid())
    full = [GNU_TIME, "-f", "%U %S %M", "-o", str(report)] + [str(c) for c in cmd]
    start = time.perf_counter()
    done = subprocess.run(full, stdout=stdout, stderr=stderr, timeout=timeout, env=env)
    wall = time.perf_counter() - start
    fields = report.read_text().split()[-3:]
    report.unlink()
    if done.returncode != 0:
        err = done.stderr.decode(errors="replace") if done.stderr else ""
        raise RuntimeError("%s failed (%d): %s" % (Path(str(cmd[0])).name, done.returncode, err))
    return Timed(wall, float(fields[0]), float(fields[1]), int(fields[2]), done.returncode)


@dataclass
class Cost:
    wall: float  # seconds between start and exit
    cpu: float   # seconds of CPU time, user and kernel, of the process and its children


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run_cost(cmd, timeout):
    """Runs cmd and returns its wall and CPU time; raises if it fails.

    CPU time is the kernel's account of the process (user and kernel mode), taken as the change
    of the reaped children's usage around the run, so it leaves out the time the process waited
    for a core that other work was using."""
    cpu_before = children_cpu()
    start = time.perf_counter()
    done = subprocess.run([str(c) for c in cmd], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, timeout=timeout)
    wall = time.perf_counter() - start
    cpu = children_cpu() - cpu_before
    if done.returncode != 0:
        raise RuntimeError("%s failed: %s" % (cmd[0], done.stderr.decode(errors="replace")))
    return Cost(wall, cpu)
