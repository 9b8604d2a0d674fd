"""Target 3 and the command-line tool's share of target 5: an unpaced 1 MiB update (the
simulator's turnaround log, CPU time per block) and the peak memory of a full procedure."""

import math

from . import images, session, stats
from .table import Row

MEDIAN_LIMIT_US = 200
P99_LIMIT_US = 2000
P99 = 0.99
BLOCK_SIZE = 128
PEAK_LIMIT_KIB = 40 * 1024
RUN_TIMEOUT_S = 300


def update_turnaround(work, image=images.LOAD_1M):
    mot = images.generate(image, work)
    folder = session.prepare_folder(work / "turnaround", firmware=mot)
    run = session.run(work, "turnaround-run", ["update"], folder, pace=False, trace=False,
                      timeout=RUN_TIMEOUT_S)
    samples = run.turnaround
    med = stats.median(samples)
    p99 = stats.percentile(samples, P99)
    blocks = math.ceil(image.size / BLOCK_SIZE)
    cpu_us = (run.timed.user + run.timed.system) / blocks * 1e6
    note = "%d requests, unpaced pty, %.2f s wall" % (len(samples), run.timed.wall)
    return [
        Row("3 turnaround", "median %d us" % med, "<= %d us" % MEDIAN_LIMIT_US,
            med / MEDIAN_LIMIT_US, med <= MEDIAN_LIMIT_US, note),
        Row("3 turnaround", "p99 %d us (max %d us)" % (p99, max(samples)),
            "<= %d us" % P99_LIMIT_US, p99 / P99_LIMIT_US, p99 <= P99_LIMIT_US, note),
        Row("3 cpu/block", "%.1f us per block (user %.2f s + sys %.2f s, %d blocks)" % (
            cpu_us, run.timed.user, run.timed.system, blocks), "-", None, None,
            "/usr/bin/time -f '%U %S'"),
    ]


def full_procedure_peak(work, image=images.LOAD_1M):
    mot = images.generate(image, work)
    folder = session.prepare_folder(work / "full-procedure", firmware=mot)
    run = session.run(work, "full-procedure-run", ["backup", "update", "restore"], folder,
                      pace=False, trace=False, timeout=RUN_TIMEOUT_S)
    peak = run.timed.peak_kib
    return Row("5 q7310 peak", "peak RSS %.1f MiB" % (peak / 1024),
               "<= %d MiB" % (PEAK_LIMIT_KIB // 1024), peak / PEAK_LIMIT_KIB,
               peak <= PEAK_LIMIT_KIB, "backup update restore, %s image, unpaced" % image.name)
