"""download_many: one image into several keyboards at once.

The library keeps one path, one port and one status per process, so each
keyboard gets a worker process of its own (this Python, sys.executable), all
started together. A worker prints its progress and, last, its report, one line
each; the parent keeps the record of transfers.
"""

from __future__ import annotations

import errno
import hashlib
import json
import os
import queue
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import warnings
from typing import Callable, Iterable, List, NamedTuple, Optional

from . import (KbpError, PathLike, _check_image, _com_ports, _device_roots, _lock, _port_text, _read_image,
               _usb_device, download, last_transfer, load, set_com_port, set_device_roots, upload)

try:
    import fcntl
except ImportError:  # Windows: the line is appended without a lock
    fcntl = None  # type: ignore[assignment]

ManyProgress = Callable[[str, int], None]

# kbptool's exit codes, for the record: a download's -1..-7 are 11..17.
_DOWNLOAD_EXIT_BASE, _FAILED, _WORKER_LOST, _DIFFERS, _READ_BACK_FAILED, _INTERRUPTED = 10, 1, 15, 30, 31, 130
# How long interrupted workers have to stop their transfers and report before they are killed.
_STOP_SECONDS = 5.0

_PACKAGE_PARENT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_WORKER = "import sys; sys.path.insert(0, sys.argv[1]); from kbp._many import _work; _work(sys.argv[2])"


class KeyboardResult(NamedTuple):
    """How one keyboard of download_many ended."""
    target: str                # as given
    ok: bool                   # downloaded, and where read back, the same bytes
    result: Optional[int]      # the download's result (the image's size, or -1..-7); None where the library gave none
    error: Optional[str]       # what went wrong; None when nothing did
    verified: Optional[bool]   # the read-back matched; None where none was to be made (serial, verify=False)
    seconds: float
    bytes_sent: Optional[int]  # last_transfer().bytes_sent of its download


class _Target(NamedTuple):
    given: str
    device: str           # "/dev/ttyUSB0", "/dev/hidraw3"
    port: Optional[str]   # the port text; None for a USB keyboard


def _target(target: PathLike, dev_root: str) -> _Target:
    if not isinstance(target, (str, bytes, os.PathLike)):
        raise TypeError(f"target {target!r}: a port text or a hidraw node's path")
    text = os.fsdecode(target)
    root = os.path.abspath(dev_root)
    if os.path.basename(text).startswith("hidraw") and os.path.isabs(text) and \
            os.path.commonpath([os.path.abspath(text), root]) == root:
        return _Target(text, text, None)
    return _Target(text, text.split(":", 1)[0], text)


def _open_log(log: PathLike) -> int:
    return os.open(log, os.O_WRONLY | os.O_APPEND | os.O_CREAT | getattr(os, "O_CLOEXEC", 0), 0o644)


def _append(log: PathLike, line: bytes) -> None:
    fd = _open_log(log)
    try:
        # O_APPEND puts the write at the end; the lock keeps another program's line out of a short write's retry.
        if fcntl is not None:
            fcntl.flock(fd, fcntl.LOCK_EX)
        if os.write(fd, line) != len(line):
            raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC), os.fsdecode(log))
    finally:
        os.close(fd)


def _record(target: _Target, image: PathLike, sha256: str, verify: bool, result: KeyboardResult, exit_code: int,
            size: int) -> bytes:
    fields = {"time": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()), "host": socket.gethostname(),
              "command": "verify" if verify else "download", "device": target.device,
              "path": "USB" if target.port is None else target.port, "image": os.fsdecode(image), "sha256": sha256,
              "bytes_sent": result.bytes_sent, "bytes": size if result.ok else 0, "result": result.result,
              "exit_code": exit_code, "verified": result.verified}
    # Seconds as kbptool writes them, with three decimals (json.dumps drops trailing zeros).
    line = json.dumps(fields, ensure_ascii=False)[:-1] + f', "seconds": {result.seconds:.3f}}}\n'
    return line.encode("utf-8", "surrogateescape")


class _Worker:
    def __init__(self, target: _Target, job: dict) -> None:
        self.target, self.report, self.started = target, None, time.monotonic()
        self.process = subprocess.Popen([sys.executable, "-c", _WORKER, _PACKAGE_PARENT,
                                         json.dumps({**job, "port": target.port, "device": target.device})],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)

    def end(self, verify: bool) -> "tuple[KeyboardResult, int]":
        seconds = time.monotonic() - self.started
        code, report = self.process.wait(), self.report
        if report is None or code != 0:
            if code < 0:
                try:
                    how = f"was killed by {signal.Signals(-code).name}"
                except ValueError:
                    how = f"was killed by signal {-code}"
            else:
                how = f"ended with exit status {code}" + ("" if report else " without a report")
            report = {"result": None, "bytes_sent": None, "exit_code": _WORKER_LOST,
                      "verified": False if verify and self.target.port is None else None,
                      "error": f"the worker for {self.target.device} {how}: the keyboard may hold part of the image, "
                               "or none of it"}
        return KeyboardResult(self.target.given, report["exit_code"] == 0, report["result"], report["error"],
                              report["verified"], seconds, report["bytes_sent"]), report["exit_code"]


def _read_lines(worker: _Worker, lines: "queue.Queue") -> None:
    for line in iter(worker.process.stdout.readline, b""):
        lines.put((worker, line))
    lines.put((worker, None))


def download_many(image: PathLike, targets: Iterable[PathLike], progress: Optional[ManyProgress] = None,
                  log: Optional[PathLike] = None, verify: bool = True, force: bool = False) -> List[KeyboardResult]:
    """Downloads the image file `image` into several keyboards at once, a worker
    process each; returns their KeyboardResults in the order of `targets`.

    targets: serial port texts ("/dev/ttyUSB0:9600,N,8,1", as download()'s
      port) and USB keyboards by their hidraw node ("/dev/hidraw3", as
      download()'s device): a path under the device root whose name starts
      with "hidraw" is a USB keyboard, anything else a port.
    verify: reads each USB keyboard back into a temporary file and compares
      addresses 4 on with the image. A serial keyboard is not read back (no
      upload reads a serial port): its `verified` is None.
    progress: called here as progress(target, percent) with each download's percentage.
    log: a file each keyboard's end is appended to as one JSON line, as
      kbptool --log writes it, so that several programs and kbptool can share it.

    force: sends an image cut short as it is, as download()'s.

    One keyboard's failure is its result's (ok False, with its error), a worker
    that ends without its report (killed, crashed) too. ValueError or TypeError,
    before anything starts: no targets, a keyboard named twice, an image that
    cannot be read or that download() would refuse, a log that cannot be opened
    for appending, a port or device download() would refuse.

    A KeyboardInterrupt here (Ctrl-C) is passed on to the workers as SIGINT:
    each stops its transfer at once and reports what its keyboard holds (exit
    code 130 in the record); those that have not ended within 5 seconds are
    killed. The KeyboardInterrupt is then raised, with the KeyboardResults
    as its `results`.
    """
    if isinstance(targets, (str, bytes, os.PathLike)):
        raise TypeError("targets: a list of port texts and hidraw nodes, not one")
    chosen = [_target(target, _device_roots[1] or "/dev") for target in targets]
    if not chosen:
        raise ValueError("no targets: name the keyboards' ports or hidraw nodes")
    seen: dict = {}
    for target in chosen:
        device = os.path.realpath(target.device)
        if device in seen:
            raise ValueError(f"{seen[device]} and {target.given} are the same keyboard, {device}")
        seen[device] = target.given
    try:
        contents = _read_image(image)
        if log is not None:
            os.close(_open_log(log))
    except OSError as error:
        raise ValueError(str(error)) from error
    _check_image(image, contents, force)
    with _lock:
        lib = load()
        for target in chosen:
            if target.port is None:
                _usb_device(lib, target.device)
            else:
                _port_text(lib, target.port, upload=False)

    sha256 = hashlib.sha256(contents).hexdigest()
    job = {"image": os.fsdecode(image), "verify": bool(verify), "force": bool(force), "roots": _device_roots,
           "com_ports": _com_ports}
    lines: queue.Queue = queue.Queue()
    workers: List[_Worker] = []
    results = {}
    interrupted: Optional[KeyboardInterrupt] = None
    try:
        for target in chosen:
            workers.append(_Worker(target, job))
        for worker in workers:
            threading.Thread(target=_read_lines, args=(worker, lines), daemon=True).start()
        while len(results) < len(workers):
            try:
                worker, line = lines.get()
                if line is not None and line.startswith(b"progress "):
                    if progress is not None:
                        progress(worker.target.given, int(line.split()[1]))
                    continue
            except KeyboardInterrupt as error:
                if interrupted is not None:
                    raise  # a second one: the workers are killed
                interrupted = error
                _stop(workers)
                continue
            if line is None:
                results[worker], exit_code = worker.end(verify)
                if log is not None:
                    try:
                        _append(log, _record(worker.target, image, sha256, verify, results[worker], exit_code,
                                             len(contents)))
                    except OSError as error:
                        warnings.warn(f"the record of {worker.target.given} is not kept: {error}")
            elif line.startswith(b"report "):
                worker.report = json.loads(line[len(b"report "):])
    finally:
        for worker in workers:
            if worker.process.poll() is None:
                worker.process.kill()
            worker.process.wait()
            worker.process.stdout.close()
    if interrupted is not None:
        interrupted.results = [results[worker] for worker in workers]
        if not interrupted.args:
            took = sum(result.ok for result in interrupted.results)
            interrupted.args = (f"download_many interrupted: {took} of {len(workers)} keyboards took the image; "
                                "the others may hold part of it",)
        raise interrupted
    return [results[worker] for worker in workers]


def _stop(workers: List[_Worker]) -> None:
    """kbptool's way with Ctrl-C: each worker stops its transfer and reports; one that does not in time is killed."""
    running = [worker for worker in workers if worker.process.poll() is None]
    for worker in running:
        worker.process.send_signal(signal.SIGINT)

    def kill() -> None:
        for worker in running:
            if worker.process.poll() is None:
                worker.process.kill()
    timer = threading.Timer(_STOP_SECONDS, kill)
    timer.daemon = True
    timer.start()


# --- the worker process: one keyboard

def _say(line: str) -> None:
    os.write(1, (line + "\n").encode())


_interrupts: List[int] = []


def _first_interrupt(number: int, _frame) -> None:
    # The first interrupt stops the transfer; a later one (the parent's, after the terminal's) stops no report.
    _interrupts.append(number)
    if len(_interrupts) == 1:
        raise KeyboardInterrupt


def _work(job_text: str) -> None:
    signal.signal(signal.SIGINT, _first_interrupt)
    job = json.loads(job_text)
    if any(job["roots"]):
        set_device_roots(*job["roots"])
    for number, device in job["com_ports"].items():
        set_com_port(int(number), device)
    usb = job["port"] is None
    report = {"result": None, "error": None, "verified": None, "bytes_sent": None, "exit_code": _FAILED}
    try:
        report["result"] = download(job["image"], port=job["port"], device=job["device"] if usb else None,
                                    progress=lambda percent: _say(f"progress {percent}"), force=job["force"])
        report["exit_code"] = 0
    except KeyboardInterrupt as error:
        report.update(result=getattr(error, "result", None), error=str(error) or "interrupted",
                      exit_code=_INTERRUPTED)
    except KbpError as error:
        report.update(result=error.result, error=str(error),
                      exit_code=_DOWNLOAD_EXIT_BASE - error.result if -7 <= error.result <= -1 else _FAILED)
    except (OSError, ValueError) as error:
        report["error"] = str(error)
    if report["result"] is not None:
        report["bytes_sent"] = last_transfer().bytes_sent
    if job["verify"] and usb:
        report["verified"] = False
        if report["exit_code"] == 0:
            _read_back(job, report)
    _say("report " + json.dumps(report))


def _read_back(job: dict, report: dict) -> None:
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "read.kbp")
        try:
            upload(path, device=job["device"])
            with open(path, "rb") as file:
                read = file.read()
            with open(job["image"], "rb") as file:
                image = file.read()
        except KeyboardInterrupt as error:
            report.update(exit_code=_INTERRUPTED,
                          error=f"the image was sent but its read-back was interrupted: {error}")
            return
        except (KbpError, OSError, ValueError) as error:
            report.update(exit_code=_READ_BACK_FAILED,
                          error=f"the image was sent but the keyboard could not be read back: {error}")
            return
    if read[4:] == image[4:]:
        report["verified"] = True
        return
    address = next((a for a in range(4, min(len(read), len(image))) if read[a] != image[a]),
                   min(len(read), len(image)))
    report.update(exit_code=_DIFFERS,
                  error=f"the keyboard holds other bytes than the image from address {address:#06x}")
