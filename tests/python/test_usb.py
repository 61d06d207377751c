"""device= and download_many over USB keyboards and a mouse that kbdsim-hid serves over FUSE."""

import json
import os
import re
import signal
import subprocess

import pytest

import kbp
from test_transfers import IMAGE, library


class Hid:
    def __init__(self, root):
        self.root, self.daemon, self.summary = root, None, ""

    def start(self, *options):
        """Two keyboards holding IMAGE (hidraw0, hidraw1) and a mouse (hidraw2)."""
        self.daemon = subprocess.Popen([os.environ["KBP_TEST_KBDSIM_HID"], "--root", str(self.root), "--keyboards",
                                        "2", "--mice", "1", "--memory", str(self.root / "memory"), "--image", IMAGE,
                                        *options, "--max-seconds", "60"], stdout=subprocess.PIPE, text=True)
        assert self.daemon.stdout.readline().split() == [str(self.root / "sys"), str(self.root / "dev")]
        kbp.set_device_roots(self.root / "sys", self.root / "dev")
        return [str(self.root / f"dev/hidraw{i}") for i in range(3)]

    def stop(self):
        """Ends the daemon: it writes memory.I for keyboard I and a line for each device."""
        if self.daemon and self.daemon.poll() is None:
            self.daemon.send_signal(signal.SIGTERM)
            try:
                self.summary = self.daemon.communicate(timeout=10)[0]
            except subprocess.TimeoutExpired:
                self.daemon.kill()
                self.daemon.communicate()
                subprocess.run(["umount", "-l", str(self.root / "dev")], check=False)
                raise


@pytest.fixture
def hid(monkeypatch, tmp_path):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    if not os.environ.get("KBP_TEST_KBDSIM_HID"):
        pytest.skip("KBP_TEST_KBDSIM_HID names no kbdsim-hid (ctest sets it once it is built)")
    try:
        os.close(os.open("/dev/fuse", os.O_RDWR))
    except OSError as error:
        pytest.skip(f"/dev/fuse cannot be opened: {error}")
    made = Hid(tmp_path)
    yield made
    made.stop()
    kbp.set_device_roots("/sys", "/dev")


def test_the_named_keyboard_alone_takes_the_image_and_gives_it_back(hid, tmp_path):
    keyboards = hid.start()
    image = bytearray(open(IMAGE, "rb").read())
    image[512:520] = bytes(b ^ 0xFF for b in image[512:520])  # magic and end field kept
    (tmp_path / "other.kbp").write_bytes(image)
    assert kbp.download(tmp_path / "other.kbp", device=keyboards[1]) == 1024
    kbp.upload(tmp_path / "back.kbp", device=keyboards[1])
    assert (tmp_path / "back.kbp").read_bytes() == image
    hid.stop()
    memory = [(tmp_path / f"memory.{i}").read_bytes()[4:1024] for i in range(2)]
    assert memory == [open(IMAGE, "rb").read()[4:], image[4:]]


@pytest.mark.parametrize("unplug, results", [((), [1024, 1024]), (("--unplug-after", "1:200"), [1024, -5])])
def test_download_many_reads_each_keyboard_back_and_one_unplugged_fails_alone(hid, tmp_path, unplug, results):
    keyboards = hid.start(*unplug)[:2]
    oks = [result == 1024 for result in results]
    got = kbp.download_many(IMAGE, keyboards, log=tmp_path / "record.jsonl")
    assert [(r.target, r.ok, r.result, r.verified, r.error is None) for r in got] == list(
        zip(keyboards, oks, results, oks, oks))
    lines = [json.loads(line) for line in (tmp_path / "record.jsonl").read_text().splitlines()]
    assert sorted((line["device"], line["path"], line["verified"]) for line in lines) == list(
        zip(keyboards, ["USB"] * 2, oks))


def test_send_reaches_the_named_keyboard_alone_and_the_mouse_is_refused(hid, tmp_path):
    keyboards = hid.start()
    kbp.send(0xEE, device=keyboards[1])
    for call in [lambda: kbp.download(IMAGE, device=keyboards[2]),
                 lambda: kbp.upload(tmp_path / "up.kbp", device=keyboards[2]),
                 lambda: kbp.send(0xEE, device=keyboards[2])]:
        mouse = re.escape(keyboards[2])
        with pytest.raises(ValueError, match=rf"device {mouse} is no hidraw node .* found: .*{mouse} \(046D:"):
            call()
    hid.stop()
    assert re.findall(r"hidraw\d \w+ [0-9A-F:]+: (\d+) reports", hid.summary) == ["0", "1", "0"]
