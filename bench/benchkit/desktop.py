"""Target 5, desktop side: start-up time to a shown window and peak memory of q7310-upgrade,
measured only when the program has been built."""

from . import tools
from .table import Row


def measure(work, reps):
    if not tools.DESKTOP.exists():
        return [Row("5 desktop", "not measured", "-", None, None,
                    "%s is not built" % tools.DESKTOP.relative_to(tools.ROOT))]
    return []
