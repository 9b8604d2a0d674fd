"""Helpers of bench/run: building, timing, the simulator session, the wire-time arithmetic."""
