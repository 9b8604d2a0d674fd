"""Target 1: the firmware load, `q7310 image FILE --stage OUT`, side by side with srec_cat and
the minimal decoder; every image compared byte for byte with srec_cat's."""

import filecmp

from . import images, stats, tools
from .table import Row

SPEEDUP_OVER_SREC_CAT = 15.0
SLOWDOWN_OVER_MINIMAL = 1.5
PEAK_LIMIT_KIB = 40 * 1024
RUN_TIMEOUT_S = 120


def commands(mot, out):
    srec_cat = [tools.SREC_CAT, "(", mot, "-Motorola", "-fill", "0xFF", "-over", mot, "-Motorola",
                ")", "-offset", "-", "-minimum-addr", mot, "-Motorola", "-o", out["srec_cat"],
                "-Binary"]
    return {
        "q7310": [tools.Q7310, "image", mot, "--stage", out["q7310"]],
        "minimal": [tools.MIN_DECODE, mot, out["minimal"]],
        "srec_cat": srec_cat,
    }


def measure(image, work, reps):
    """Rows for one image: speed-up over srec_cat, cost over the minimal decoder."""
    mot = images.generate(image, work)
    out = {name: work / ("%s.%s.bin" % (image.name, name)) for name in ("q7310", "minimal",
                                                                       "srec_cat")}
    cmds = commands(mot, out)
    order = list(cmds)
    costs = {name: [] for name in order}
    for rep in range(reps):
        # Rotate the order each repetition so no program always runs first after a pause.
        shift = rep % len(order)
        for name in order[shift:] + order[:shift]:
            if out[name].exists():
                out[name].unlink()
            costs[name].append(tools.run_cost(cmds[name], RUN_TIMEOUT_S))
        for name in ("q7310", "minimal"):
            if not filecmp.cmp(out[name], out["srec_cat"], shallow=False):
                raise RuntimeError("%s image of %s differs from srec_cat's" % (name, image.name))

    def ratio(a, b, kind):
        return stats.median([getattr(x, kind) / getattr(y, kind)
                             for x, y in zip(costs[a], costs[b])])

    def ms(name, kind):
        return stats.median([getattr(c, kind) for c in costs[name]]) * 1000

    speedup = ratio("srec_cat", "q7310", "cpu")
    cost = ratio("q7310", "minimal", "cpu")
    label = "1 load %s" % image.name.split("-")[1]
    cpu = "CPU q7310 %.1f ms, minimal %.1f ms, srec_cat %.1f ms" % (
        ms("q7310", "cpu"), ms("minimal", "cpu"), ms("srec_cat", "cpu"))
    wall = "wall ratio %.1fx; wall q7310 %.1f ms, srec_cat %.1f ms" % (
        ratio("srec_cat", "q7310", "wall"), ms("q7310", "wall"), ms("srec_cat", "wall"))
    wall_min = "wall ratio %.2fx; wall minimal %.1f ms; images identical (cmp)" % (
        ratio("q7310", "minimal", "wall"), ms("minimal", "wall"))
    return [
        Row(label, "srec_cat / q7310 = %.1fx" % speedup, ">= %.0fx" % SPEEDUP_OVER_SREC_CAT,
            SPEEDUP_OVER_SREC_CAT / speedup, speedup >= SPEEDUP_OVER_SREC_CAT,
            "%s; %s; medians of %d" % (cpu, wall, reps)),
        Row(label, "q7310 / minimal = %.2fx" % cost, "<= %.1fx" % SLOWDOWN_OVER_MINIMAL,
            cost / SLOWDOWN_OVER_MINIMAL, cost <= SLOWDOWN_OVER_MINIMAL, wall_min),
    ]


def measure_peak(image, work):
    mot = images.generate(image, work)
    staged = work / (image.name + ".peak.bin")
    timed = tools.run_timed([tools.Q7310, "image", mot, "--stage", staged, "--force"],
                            RUN_TIMEOUT_S)
    return Row("1 load %s" % image.name.split("-")[1], "peak RSS %.1f MiB" % (timed.peak_kib / 1024),
               "<= %d MiB" % (PEAK_LIMIT_KIB // 1024), timed.peak_kib / PEAK_LIMIT_KIB,
               timed.peak_kib <= PEAK_LIMIT_KIB, "/usr/bin/time -f %M")
