"""Targets 2 and 4: update, backup and restore at 57600 bps (q7310-sim --pace, answering at
once), each against the wire-time limit computed from its own frames."""

import filecmp

from . import images, session, stats, wire
from .table import Row

LIMIT_FACTOR = 1.02
TIMEOUT_FACTOR = 3.0
TIMEOUT_SLACK_S = 60


def limit_row(label, runs, note=""):
    """A row for repeated runs of one procedure: median wall time against the wire time."""
    limits = [wire.wire_seconds(wire.wire_bytes(wire.trace_frames(r.trace))) for r in runs]
    ratios = [r.timed.wall / lim for r, lim in zip(runs, limits)]
    ratio = stats.median(ratios)
    wall = stats.median([r.timed.wall for r in runs])
    frames = len(wire.trace_frames(runs[0].trace))
    # Where the time above the wire time went: q7310's turnarounds as the simulator saw them;
    # the rest is the simulator's pacing, process start and the load of the files.
    excess = wall - stats.median(limits)
    turnaround_s = stats.median([sum(r.turnaround) / 1e6 for r in runs])
    note = "excess %.3f s, of it q7310 turnaround %.3f s (median %d us)" % (
        excess, turnaround_s, stats.median(runs[0].turnaround)) + (("; " + note) if note else "")
    # The same procedure with every exchange as fast as the median one: what the design costs
    # when no other work delays a wake-up (the machine is shared; the verdict stays on the wall).
    per_exchange = wire.exchange_excess(runs[0].trace)
    if per_exchange:
        typical = (limits[0] + len(per_exchange) * stats.median(per_exchange)) / limits[0]
        note += "; per exchange above wire: median %.3f ms, p90 %.3f ms; all at median: %.4fx" % (
            stats.median(per_exchange) * 1000, stats.percentile(per_exchange, 0.9) * 1000,
            typical)
    figure = "%.3f s for wire time %.3f s = %.4fx" % (wall, stats.median(limits), ratio)
    detail = "%d frames; median of %d" % (frames, len(runs)) + (("; " + note) if note else "")
    return Row(label, figure, "<= %.2fx" % LIMIT_FACTOR, ratio / LIMIT_FACTOR,
               ratio <= LIMIT_FACTOR, detail)


def timeout_for(seconds):
    return seconds * TIMEOUT_FACTOR + TIMEOUT_SLACK_S


def check_update(run):
    staged = run.folder / session.UPDATE_NAME
    if not filecmp.cmp(staged, run.image_out, shallow=False):
        raise RuntimeError("the simulator received an image other than UPDATE.BIN")


def update(image, work, reps, label):
    mot = images.generate(image, work)
    expected = wire.wire_seconds(image.size / 128 * 155)
    runs = []
    for rep in range(reps):
        folder = session.prepare_folder(work / ("%s-paced-%d" % (image.name, rep)), firmware=mot)
        run = session.run(work, "%s-paced-run-%d" % (image.name, rep), ["update"], folder,
                          pace=True, timeout=timeout_for(expected))
        check_update(run)
        runs.append(run)
    return limit_row(label, runs, "image received = UPDATE.BIN")


def backup_and_restore(work, reps):
    """Rows for a paced backup of the sample settings and a paced restore of its BACKUP.BIN."""
    backups, restores = [], []
    for rep in range(reps):
        folder = session.prepare_folder(work / ("settings-paced-%d" % rep))
        backups.append(session.run(work, "backup-paced-%d" % rep, ["backup"], folder, pace=True,
                                   timeout=TIMEOUT_SLACK_S))
        restores.append(session.run(work, "restore-paced-%d" % rep, ["restore"], folder,
                                    pace=True, timeout=TIMEOUT_SLACK_S))
    return [limit_row("4 backup", backups), limit_row("4 restore", restores)]
