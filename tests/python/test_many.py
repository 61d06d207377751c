"""download_many over pty keyboards, a worker process each, with its record of
transfers; and the USB keyboard a device argument names."""

import hashlib
import json
import os
import re
import subprocess

import pytest

import kbp
import kbp._many
from test_transfers import IMAGE, library

KEYS = ["time", "host", "command", "device", "path", "image", "sha256", "bytes_sent", "bytes", "result",
        "exit_code", "verified", "seconds"]


class Keyboards:
    def __init__(self, tmp_path):
        self.tmp_path, self.running = tmp_path, []

    def start(self, *options):
        """A pty keyboard: its port text, and the file its memory is written to as it ends."""
        memory = self.tmp_path / f"memory{len(self.running)}.bin"
        self.running.append(subprocess.Popen([os.environ["KBP_TEST_KBDSIM_PTY"], *options, "--max-seconds", "60",
                                              "--memory", str(memory)], stdout=subprocess.PIPE))
        return self.running[-1].stdout.readline().decode().strip() + ":9600,N,8,1", memory

    def stop(self):
        for keyboard in self.running:
            keyboard.terminate()
            keyboard.communicate()
        self.running = []


@pytest.fixture
def keyboards(monkeypatch, tmp_path):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    made = Keyboards(tmp_path)
    yield made
    made.stop()


def records(log):
    text = log.read_text()
    assert re.fullmatch(r'(\{"time": "\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", .*, "seconds": \d+\.\d{3}\}\n)+', text)
    return {line["path"]: line for line in map(json.loads, text.splitlines())}


def test_three_keyboards_take_the_image_and_each_leaves_a_line_in_the_record(keyboards, tmp_path):
    started = [keyboards.start() for _ in range(3)]
    ports = [port for port, _ in started]
    log, seen = tmp_path / "record.jsonl", {}
    results = kbp.download_many(IMAGE, ports, progress=lambda port, percent: seen.setdefault(port, []).append(percent),
                                log=log)
    assert [(r.target, r.ok, r.result, r.error, r.verified, r.bytes_sent) for r in results] == [
        (port, True, 1024, None, None, 1020) for port in ports]  # a serial keyboard is not read back
    assert sorted(seen) == sorted(ports) and all(percents[-1] == 100 for percents in seen.values())
    sha256 = hashlib.sha256(open(IMAGE, "rb").read()).hexdigest()
    lines = records(log)
    assert sorted(lines) == sorted(ports)
    for port, line in lines.items():
        assert list(line) == KEYS
        assert line == {**line, "command": "verify", "device": port.split(":")[0], "image": IMAGE, "sha256": sha256,
                        "bytes_sent": 1020, "bytes": 1024, "result": 1024, "exit_code": 0, "verified": None}
    keyboards.stop()
    for _, memory in started:
        assert memory.read_bytes()[4:1024] == open(IMAGE, "rb").read()[4:]


def test_a_keyboard_that_hangs_up_fails_alone(keyboards, tmp_path):
    ports = [keyboards.start()[0], keyboards.start("--hang-up-after", "300")[0], keyboards.start()[0]]
    results = kbp.download_many(IMAGE, ports, log=tmp_path / "record.jsonl", verify=False)
    assert [r.ok for r in results] == [True, False, True]
    failed = results[1]
    assert (failed.result, failed.error, failed.verified) == (-5, "download not possible (result -5)", None)
    line = records(tmp_path / "record.jsonl")[ports[1]]
    assert (line["command"], line["bytes"], line["result"], line["exit_code"]) == ("download", 0, -5, 15)


def test_a_worker_that_is_killed_is_a_failed_keyboard(monkeypatch, tmp_path):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    monkeypatch.setattr(kbp._many, "_WORKER", "import os, signal; os.kill(os.getpid(), signal.SIGKILL)")
    port = f"{tmp_path / 'tty'}:9600,N,8,1"
    [result] = kbp.download_many(IMAGE, [port], log=tmp_path / "record.jsonl", verify=False)
    assert (result.ok, result.result, result.bytes_sent) == (False, None, None)
    assert "was killed by SIGKILL" in result.error
    assert records(tmp_path / "record.jsonl")[port]["exit_code"] == 15


@pytest.mark.parametrize("image, targets, log, words", [
    (IMAGE, [], None, "no targets"),
    (IMAGE, ["/tmp/kbp-tty:9600,N,8,1", "/tmp/../tmp/kbp-tty"], None, "are the same keyboard, /tmp/kbp-tty"),
    ("missing.kbp", ["/tmp/kbp-tty"], None, "No such file or directory: 'missing.kbp'"),
    (IMAGE, ["/tmp/kbp-tty"], "/nonexistent/record.jsonl", "No such file or directory"),
    (IMAGE, ["ttyUSB0"], None, "write '/dev/ttyUSB0'"),
], ids=["no-targets", "twice", "unreadable-image", "log", "port"])
def test_bad_arguments_are_refused_before_anything_starts(monkeypatch, image, targets, log, words):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    monkeypatch.setattr(kbp._many, "_Worker", None)  # nothing may start
    with pytest.raises(ValueError, match=re.escape(words)):
        kbp.download_many(image, targets, log=log)


@pytest.fixture
def hid_tree(monkeypatch, tmp_path):
    """A made sysfs and /dev with one hidraw node, of another vendor than the keyboard's."""
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    (tmp_path / "sys/class/hidraw/hidraw0/device").mkdir(parents=True)
    (tmp_path / "sys/class/hidraw/hidraw0/device/uevent").write_text("HID_ID=0003:0000046D:0000C52B\n")
    (tmp_path / "dev").mkdir()
    kbp.set_device_roots(tmp_path / "sys", tmp_path / "dev")
    yield tmp_path / "dev"
    kbp.set_device_roots("/sys", "/dev")


def test_a_device_that_is_no_keyboards_hidraw_node_is_refused_before_anything_is_sent(hid_tree):
    found = f"hid_nodes() found: {hid_tree}/hidraw0 (046D:C52B)"
    for call, words in [
        (lambda: kbp.download(IMAGE, device=hid_tree / "hidraw0"), found),
        (lambda: kbp.upload(hid_tree / "up.kbp", device=hid_tree / "hidraw7"), found),
        (lambda: kbp.send(0xEE, device="/dev/null"), found),
        (lambda: kbp.download_many(IMAGE, [hid_tree / "hidraw0"]), found),
        (lambda: kbp.download(IMAGE, port="/tmp/kbp-tty:9600,N,8,1", device=hid_tree / "hidraw0"),
         "a device is a USB keyboard, reached over USB"),
    ]:
        with pytest.raises(ValueError, match=re.escape(words)):
            call()
