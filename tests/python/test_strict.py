"""The package as strict as kbptool: images it would not send, interface names, paths Linux lacks,
Ctrl-C during a transfer, exceptions that pickle, and COM numbers given back."""

import os
import pickle
import signal
import time

import pytest

import kbp
from test_many import keyboards, records  # noqa: F401  (the fixture)
from test_transfers import IMAGE, library, plug  # noqa: F401

CUT = "cut.kbp is cut short: nothing was sent: the file has 900 bytes but its end field (bytes 6..7) says 1023, " \
      "which needs 1024; copy the whole image again; force=True sends it as it is"
NOT_AN_IMAGE = 'is not a valid image: {} (the file has {} bytes); a configuration image begins with "Kelm" and has ' \
               "302..65536 bytes"


@pytest.mark.parametrize("name, contents, words", [
    ("cut.kbp", lambda image: image[:900], CUT),
    ("short.kbp", lambda image: image[:301], NOT_AN_IMAGE.format("shorter than 302 bytes", 301)),
    ("magic.kbp", lambda image: b"Kelx" + image[4:], NOT_AN_IMAGE.format('does not begin with "Kelm"', 1024)),
    ("long.kbp", None, NOT_AN_IMAGE.format("longer than 65536 bytes", 65537)),  # refused by its size, unread
    ("folder", "folder", "cannot read the image {path}: {path} is a directory"),
], ids=["cut-short", "short", "magic", "long", "folder"])
def test_an_image_kbptool_refuses_is_refused_before_anything_is_sent(plug, monkeypatch, tmp_path, name, contents,
                                                                       words):
    plug(True)
    path = tmp_path / name
    if contents is None:
        path.write_bytes(b"")
        os.truncate(path, 65537)
        monkeypatch.setattr(kbp, "open", None, raising=False)
    elif contents == "folder":
        path.mkdir()
    else:
        path.write_bytes(contents(open(IMAGE, "rb").read()))
    monkeypatch.setattr(kbp._many, "_Worker", None)  # nothing may start
    for call in (lambda: kbp.download(path), lambda: kbp.download_many(path, ["/tmp/kbp-tty"])):
        with pytest.raises(ValueError) as refused:
            call()
        assert words.format(path=path) in str(refused.value)
    if name == "cut.kbp":
        with pytest.warns(UserWarning, match=r"sent as it is \(force=True\), so the keyboard takes addresses 900\.\."):
            assert kbp.download(path, force=True) == 900


def test_interface_names_are_taken_in_any_case(plug):
    plug(True)
    assert kbp.download(IMAGE, interface="USB") == 1024
    kbp.set_interface("Ports")
    assert kbp.get_interface() is kbp.Interface.PORTS


@pytest.mark.parametrize("call, words", [
    (lambda: kbp.download(IMAGE, interface="ports"), "interface 'ports': Linux has no controller ports"),
    (lambda: kbp.download(IMAGE, interface="CLASS"), "Linux has no keyboard class driver"),
    (lambda: kbp.upload("up.kbp", interface=kbp.Interface.PORT_DRIVER), "Linux has no keyboard port driver"),
    (lambda: kbp.set_interface("0x01"), "interface '0x01': Linux has no controller ports"),
], ids=["ports", "class", "portdriver", "number"])
def test_linux_refuses_the_paths_it_lacks(monkeypatch, call, words):
    library(monkeypatch, "KBP_TEST_LINUX_LIBRARY")
    with pytest.raises(ValueError, match=words + ": the keyboard is reached here over USB .hidraw. and serial devices"):
        call()


@pytest.mark.parametrize("error", [kbp.KbpError(-5, b"download check failed\n", cause=kbp.Cause.OPENING_CHECK),
                                   kbp.LibraryError("cannot load kbpi32")], ids=["kbp-error", "library-error"])
def test_the_exceptions_pickle_to_equal_ones(error):
    error.station = 3
    again = pickle.loads(pickle.dumps(error))
    assert (type(again), str(again), again.args, vars(again)) == (type(error), str(error), error.args, vars(error))


def interrupt_at(percent):
    """A progress callback that sends this process SIGINT, as Ctrl-C does, once `percent` is reached."""
    def progress(*args):
        if args[-1] >= percent and not progress.sent:
            progress.sent = True
            os.kill(os.getpid(), signal.SIGINT)
    progress.sent = False
    return progress


def test_ctrl_c_stops_a_download_at_once_and_the_next_one_works(keyboards):
    slow, fast = keyboards.start("--byte-delay-ms", "2")[0], keyboards.start()[0]  # slow: over 2 s for the image
    started = time.monotonic()
    with pytest.raises(KeyboardInterrupt, match=r"^download interrupted: the keyboard holds part of the image "
                                                r"\(\d+ of 1020 bytes\): download it again \(result -5\)$") as stopped:
        kbp.download(IMAGE, port=slow, progress=interrupt_at(5))
    assert time.monotonic() - started < 1.5
    assert (stopped.value.result, 0 < stopped.value.bytes_sent < 510) == (-5, True)
    assert signal.getsignal(signal.SIGINT) is signal.default_int_handler
    assert kbp.download(IMAGE, port=fast) == 1024


def test_ctrl_c_stops_every_worker_of_download_many_and_each_reports(keyboards, tmp_path):
    ports = [keyboards.start("--byte-delay-ms", "2")[0] for _ in range(2)]
    with pytest.raises(KeyboardInterrupt, match="download_many interrupted: 0 of 2 keyboards") as stopped:
        kbp.download_many(IMAGE, ports, progress=interrupt_at(5), log=tmp_path / "record.jsonl")
    assert [(r.ok, r.result, r.error.startswith("download interrupted: ")) for r in stopped.value.results] == [
        (False, -5, True)] * 2
    assert [line["exit_code"] for line in records(tmp_path / "record.jsonl").values()] == [130, 130]


def test_ten_serial_devices_one_after_another_leave_every_com_number_free(keyboards):
    ports = [keyboards.start()[0] for _ in range(10)]
    assert [kbp.download(IMAGE, port=port) for port in ports] == [1024] * 10
    assert kbp.map_com_port("/dev/kbp-test") == 1  # all nine are free
    kbp.set_com_port(1, None)
    assert kbp.map_com_port("/dev/kbp-test") == 1
    kbp.set_com_port(1, None)
