"""Target 5, desktop side: the time from start to a shown window of q7310-upgrade (offscreen
platform, median of several runs) and its peak memory during a full procedure, measured only
when the program has been built.

Start-up uses the program's hidden option --quit-when-shown (quit as soon as the window is up);
the full procedure uses its hidden --screenshots FOLDER, which presses BACKUP, UPDATE and RESTORE
by itself against the simulator and saves a picture of each stage."""

import os
import subprocess

from . import images, session, stats, tools
from .table import Row

QUIT_WHEN_SHOWN = "--quit-when-shown"
SCREENSHOTS = "--screenshots"
SHOWN_LIMIT_S = 0.300
PEAK_LIMIT_KIB = 100 * 1024
RUN_TIMEOUT_S = 20
PROCEDURE_TIMEOUT_S = 300


def offscreen():
    return dict(os.environ, QT_QPA_PLATFORM="offscreen")


def start_up(work, reps):
    walls, peaks = [], []
    for _ in range(reps):
        timed = tools.run_timed([tools.DESKTOP, QUIT_WHEN_SHOWN, "--dir", work], RUN_TIMEOUT_S,
                                env=offscreen())
        walls.append(timed.wall)
        peaks.append(timed.peak_kib)
    wall = stats.median(walls)
    return Row("5 desktop start", "window shown, quit after %.0f ms" % (wall * 1000),
               "<= 300 ms", wall / SHOWN_LIMIT_S, wall <= SHOWN_LIMIT_S,
               "offscreen, process start to exit, median of %d; peak %.1f MiB" % (
                   reps, max(peaks) / 1024))


def full_procedure(work, image=images.UPDATE_64K):
    mot = images.generate(image, work)
    folder = session.prepare_folder(work / "desktop-procedure", firmware=mot)
    pictures = work / "desktop-pictures"

    def command(device):
        return [tools.DESKTOP, SCREENSHOTS, pictures, "--device", device, "--dir", folder,
                tools.ALLOW_SAMPLE]

    run = session.run_client(work, "desktop-procedure-run", command, pace=False,
                             timeout=PROCEDURE_TIMEOUT_S, env=offscreen())
    peak = run.timed.peak_kib
    return Row("5 desktop peak", "peak RSS %.1f MiB" % (peak / 1024), "<= 100 MiB",
               peak / PEAK_LIMIT_KIB, peak <= PEAK_LIMIT_KIB,
               "backup update restore (%s, unpaced) driven by --screenshots, %.1f s" % (
                   image.name, run.timed.wall))


def measure(work, reps):
    if not tools.DESKTOP.exists():
        return [Row("5 desktop", "not measured", "-", None, None,
                    "%s is not built" % tools.DESKTOP.relative_to(tools.ROOT))]
    rows = []
    for step in (lambda: start_up(work, reps), lambda: full_procedure(work)):
        try:
            rows.append(step())
        except (RuntimeError, subprocess.TimeoutExpired) as error:
            rows.append(Row("5 desktop", "not measured", "-", None, None,
                            str(error).splitlines()[0][:100]))
    return rows
