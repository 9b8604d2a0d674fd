"""One procedure of q7310 against a fresh q7310-sim: start the simulator, run the operations,
stop the simulator, and hand back the timings, the trace and the simulator's logs."""

import shutil
import signal
import subprocess
from dataclasses import dataclass
from pathlib import Path

from . import tools

FIRMWARE_NAME = "Q7310_v201.mot"
BACKUP_NAME = "BACKUP.BIN"
UPDATE_NAME = "UPDATE.BIN"
SIM_STOP_TIMEOUT_S = 30


@dataclass
class Session:
    timed: tools.Timed
    folder: Path          # the --dir of q7310: firmware, BACKUP.BIN, UPDATE.BIN
    trace: Path           # q7310 --trace FILE, or None
    turnaround: list      # microseconds per request, from the simulator
    image_out: Path       # what the simulator received as the firmware image
    sim_summary: str


def prepare_folder(folder, firmware=None, backup=None):
    folder.mkdir(parents=True, exist_ok=True)
    if firmware is not None:
        shutil.copyfile(firmware, folder / FIRMWARE_NAME)
    if backup is not None:
        shutil.copyfile(backup, folder / BACKUP_NAME)
    return folder


def run(work, name, operations, folder, pace, trace=True, timeout=600):
    """Runs `q7310 --device PTY --dir folder --yes --keep-files --allow-sample operations...`
    under GNU time."""
    trace_path = work / name / "trace.log" if trace else None

    def command(device):
        cmd = [tools.Q7310, "--device", device, "--dir", folder, "--yes", "--keep-files",
               tools.ALLOW_SAMPLE]
        if trace_path:
            cmd += ["--trace", trace_path]
        return cmd + list(operations)

    result = run_client(work, name, command, pace, timeout)
    result.folder = folder
    result.trace = trace_path
    return result


def run_client(work, name, command, pace, timeout, env=None):
    """Starts a simulator, runs command(device) under GNU time against it, stops the simulator."""
    logs = work / name
    logs.mkdir(parents=True, exist_ok=True)
    turnaround_log = logs / "turnaround.log"
    image_out = logs / "image-out.bin"
    sim_cmd = [str(tools.SIM), "--turnaround-log", str(turnaround_log), "--image-out",
               str(image_out)] + (["--pace"] if pace else [])
    sim_err = open(logs / "sim.stderr", "w+")
    sim = subprocess.Popen(sim_cmd, stdout=subprocess.PIPE, stderr=sim_err, text=True)
    try:
        device = sim.stdout.readline().strip()
        if not device:
            raise RuntimeError("q7310-sim printed no device path")
        timed = tools.run_timed(command(device), timeout=timeout, env=env)
    finally:
        sim.send_signal(signal.SIGTERM)
        sim.wait(timeout=SIM_STOP_TIMEOUT_S)
        sim_err.seek(0)
        summary = sim_err.read()
        sim_err.close()
    if sim.returncode != 0:
        raise RuntimeError("q7310-sim found the session inconsistent:\n" + summary)
    turnaround = [int(v) for v in turnaround_log.read_text().split()] \
        if turnaround_log.exists() else []
    return Session(timed, None, None, turnaround, image_out, summary)
