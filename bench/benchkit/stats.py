"""Medians and percentiles of small samples, without third-party packages."""

import math
import statistics


def median(values):
    return statistics.median(values)


def percentile(values, fraction):
    """The nearest-rank percentile: the smallest value with `fraction` of the sample at or below."""
    ordered = sorted(values)
    rank = max(1, math.ceil(fraction * len(ordered)))
    return ordered[rank - 1]
