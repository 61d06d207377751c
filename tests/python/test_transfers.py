"""kbp's transfers through the library: on the simulated PC (a test build of the
core with a keyboard to plug in) and on a pty keyboard through the Linux library."""

import os
import subprocess

import pytest

import kbp
import kbp._library

IMAGE = os.environ.get("KBP_TEST_IMAGE", "")


def library(monkeypatch, variable):
    if not os.environ.get(variable):
        pytest.skip(f"{variable} names no library (ctest sets it once the library is built)")
    monkeypatch.setenv("KBP_LIBRARY", os.environ[variable])
    return kbp._library.load()


@pytest.fixture
def plug(monkeypatch):
    """Plugs the simulated keyboard in (True) or leaves the simulated PC without one."""
    lib = library(monkeypatch, "KBP_TEST_SIM_LIBRARY")
    return lambda plugged: lib.kbp_sim_plug_keyboard(int(plugged))


def test_an_image_goes_down_and_comes_back_up_with_progress(plug, tmp_path):
    plug(True)
    sent, read = [], []
    assert kbp.download(IMAGE, progress=sent.append) == 1024
    assert kbp.upload(tmp_path / "read.kbp", port="USB", progress=read.append) == 1023
    assert (tmp_path / "read.kbp").read_bytes() == open(IMAGE, "rb").read()
    for percents in (sent, read):
        assert percents == sorted(percents) and percents[-1] == 100 and len(percents) > 10


def test_a_failure_raises_kbp_error_with_the_status_buffer(plug, tmp_path):
    asked = []
    cases = [  # keyboard, transfer, result, raw status, cause
        (True, lambda: kbp.download(tmp_path / "missing.kbp"), -7, b"kbp-file not found", kbp.Cause.FILE_NOT_OPENED),
        (False, lambda: kbp.download(IMAGE), -5, b"download check failed", kbp.Cause.OPENING_CHECK),
        (False, lambda: kbp.upload(tmp_path / "up.kbp", question=lambda *box: asked.append(box) or False),
         0, b"Upload Error.\n", kbp.Cause.NO_ANSWER),
    ]
    for plugged, transfer, result, raw, cause in cases:
        plug(plugged)
        with pytest.raises(kbp.KbpError) as failure:
            transfer()
        assert (failure.value.result, failure.value.raw, failure.value.text) == (result, raw, raw.decode().strip())
        assert failure.value.cause is cause
    assert kbp.KbpError(1, text="no transfer's").cause is kbp.Cause.NONE
    assert asked == [("UPLOAD ERROR", " CONTINUE ? ", True)]
    assert not (tmp_path / "up.kbp").exists()


class Raised(Exception):
    pass


def raising(*_):
    raise Raised()


def test_an_exception_in_a_callback_is_raised_once_the_library_returns(plug, tmp_path):
    for plugged, transfer in [(True, lambda: kbp.download(IMAGE, progress=raising)),
                              (False, lambda: kbp.upload(tmp_path / "up.kbp", question=raising))]:
        plug(plugged)
        with pytest.raises(Raised):
            transfer()
    plug(True)
    assert kbp.download(IMAGE) == 1024  # nothing of the failed call is left behind


def test_ports_and_interfaces_the_library_would_misread_are_refused(plug, tmp_path):
    plug(True)
    for call, words in [
        (lambda: kbp.upload(tmp_path / "up.kbp", port="COM1"), "an upload reads no serial port"),
        (lambda: kbp.download(IMAGE, port="COM1:9600,N,8,1", interface="usb"), "a serial port is a path of its own"),
        (lambda: kbp.download(IMAGE, port="COM1:115200,N,8,1"), "the rate 115200 .*: write them as 9600,N,8,1"),
        (lambda: kbp.download(IMAGE, port="COM1:abc"), '"abc" does not begin with the rate, .*: write them as 9600'),
        (lambda: kbp.download(IMAGE, port="USB", interface=kbp.Interface.PORTS), "two different paths"),
        (lambda: kbp.download(IMAGE, interface="keyboard"), "'keyboard' names no interface"),
        (lambda: kbp.send(0x1F4), "500 is not a byte"),
    ]:
        with pytest.raises(ValueError, match=words):
            call()


@pytest.mark.parametrize("echoes_at, settings, boxes, set_up", [
    ([], ":9600,N,8,1", [], "9600,N,8,1"),
    (["4800,O,8,1"], "", [("set to 4800,O,8,1", "", True)], "4800,O,8,1"),  # the library searched them
])
def test_a_download_reaches_the_pty_keyboard_through_the_linux_library(monkeypatch, tmp_path, echoes_at, settings,
                                                                       boxes, set_up):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    memory = tmp_path / "memory.bin"
    keyboard = subprocess.Popen([os.environ["KBP_TEST_KBDSIM_PTY"], *echoes_at, "--max-seconds", "60",
                                 "--memory", str(memory)], stdout=subprocess.PIPE)
    try:
        device = keyboard.stdout.readline().decode().strip()
        asked = []
        assert kbp.download(IMAGE, port=device + settings, question=lambda *box: asked.append(box) or True) == 1024
        assert asked == boxes
        assert kbp.last_transfer().line_settings == set_up
    finally:
        keyboard.terminate()  # it writes its memory as it ends
        keyboard.communicate()
    assert memory.read_bytes()[4:1024] == open(IMAGE, "rb").read()[4:]
    with pytest.raises(ValueError, match="COM1 is a Windows port name: on Linux name the serial device"):
        kbp.download(IMAGE, port="COM1")


def test_the_linux_library_takes_a_device_by_its_path_and_refuses_the_names_it_would_misread(monkeypatch, tmp_path):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    missing = tmp_path / "no-device"
    with pytest.raises(kbp.KbpError) as failure:
        kbp.download(IMAGE, port=f"{missing}:9600,N,8,1")
    assert (failure.value.result, failure.value.text, failure.value.cause) == (
        -2, f"unable to open {missing}", kbp.Cause.COM_NOT_OPENED)
    with pytest.raises(ValueError, match=r"ttyUSB0 names no device: .* \(write '/dev/ttyUSB0'\)"):
        kbp.download(IMAGE, port="ttyUSB0")
