"""The result table: one row per measured figure, with its limit, ratio and verdict."""

from dataclasses import dataclass


@dataclass
class Row:
    target: str      # which target, e.g. "1 load 8 MiB"
    figure: str      # what was measured, as text with its unit
    limit: str       # what it is held against
    ratio: float     # figure / limit in the direction of the target (<= 1 is met) or None
    met: bool        # None when the row only reports a figure
    note: str = ""


def verdict(row):
    if row.met is None:
        return "info"
    return "met" if row.met else "MISSED"


def render(rows):
    header = ("target", "figure", "limit", "ratio", "verdict", "note")
    lines = [header]
    for r in rows:
        ratio = "" if r.ratio is None else "%.3f" % r.ratio
        lines.append((r.target, r.figure, r.limit, ratio, verdict(r), r.note))
    widths = [max(len(line[i]) for line in lines) for i in range(len(header))]
    out = []
    for i, line in enumerate(lines):
        out.append("| " + " | ".join(c.ljust(w) for c, w in zip(line, widths)) + " |")
        if i == 0:
            out.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    return "\n".join(out)
