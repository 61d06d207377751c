"""Configuration images to and from the programmable keyboards, through kbpi32.

The library is kbpi32.dll on Windows and libkbpi32.so.1 on Linux, loaded at the
first call from the file the environment variable KBP_LIBRARY names, else by
the system's search. Calls hold one lock: the library runs one call at a time.

Faults: a transfer the library fails raises KbpError, with the library's
result and its cause (a Cause); a port or interface the library would misread,
and an image kbptool would not send, raise ValueError before anything is sent,
in the library's own words for a port text (kbp_read_port_text); a library
that cannot be loaded, or lacks a call, raises LibraryError (an OSError).
Ctrl-C during a transfer stops it at once on Linux (kbp_linux_interrupt).
"""

from __future__ import annotations

import ctypes
import enum
import functools
import os
import signal
import stat
import sys
import threading
import warnings
from typing import Callable, List, NamedTuple, Optional, Tuple, Union

from ._library import BITS, BOX, LAST_TRANSFER, PORT_TEXT, PROGRESS, WINDOWS, LibraryError, function, load, load_kbpusb

__all__ = ["Interface", "Cause", "KbpError", "LibraryError", "HidNode", "LastTransfer", "download", "upload",
           "last_transfer", "set_interface", "get_interface", "send", "set_com_port", "map_com_port",
           "set_input_device", "last_device_error", "set_device_roots", "keyboard_input_device", "hid_nodes",
           "download_many", "KeyboardResult", "VENDOR_ID"]

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
Progress = Callable[[int], None]
Question = Callable[[str, str, bool], bool]

# The keyboard's USB vendor (KBP_USB_VENDOR_ID, kbp_protocol.h).
VENDOR_ID = 0x053A
# An image file (kbp_protocol.h): its first bytes, its sizes, and where its end field stands (big-endian).
_MAGIC, _IMAGE_MIN, _IMAGE_MAX, _END_FIELD = b"Kelm", 302, 65536, 6


class Interface(enum.IntEnum):
    """The path to the keyboard, as kbp_set_interface takes it."""
    AUTOMATIC = 0     # the library's choice from the Windows version
    PORTS = 1         # keyboard controller ports (Windows)
    CLASS_DRIVER = 2  # keyboard class driver (Windows)
    PORT_DRIVER = 3   # keyboard port driver (Windows)
    USB = 4


# kbptool's --interface names, in any case; "auto" is its default path, not the number 0.
_NAMES = {"ports": Interface.PORTS, "class": Interface.CLASS_DRIVER, "portdriver": Interface.PORT_DRIVER,
          "usb": Interface.USB}
InterfaceLike = Union[Interface, int, str]
# The paths that need Windows' keyboard drivers or its port I/O, which Linux has not.
_WINDOWS_PATHS = {Interface.PORTS: "controller ports", Interface.CLASS_DRIVER: "keyboard class driver",
                  Interface.PORT_DRIVER: "keyboard port driver"}


class Cause(enum.IntEnum):
    """What went wrong in the last download or upload, the first thing that did (enum kbp_cause)."""
    NONE = 0
    NO_FILE_NAME = 1
    COM_NUMBER = 2          # COM10 and up: only COM1..COM9 can be named
    COM_NOT_OPENED = 3
    COM_NOT_SET_UP = 4      # opened, but its line state, queues, time-outs or buffers failed
    COM_NO_ECHO = 5         # the search found no keyboard at any of its 24 line settings
    NOT_A_COM_PORT = 6
    COM_NOT_CLOSED = 7
    USB_LIBRARY = 8         # KBPUSB.DLL or its send routine cannot be loaded
    CAPTURE_LIBRARY = 9     # KBPFUNC.DLL cannot be loaded, or lacks a routine
    OPENING_CHECK = 10      # no keyboard answered before the first block
    BLOCK_NOT_TAKEN = 11
    NOT_AN_IMAGE = 12
    FILE_NOT_OPENED = 13    # the image file cannot be opened for reading
    NO_ANSWER = 14          # the keyboard's answers failed and UPLOAD ERROR was answered Cancel
    IMAGE_TOO_LONG = 15     # the keyboard's image ends past what an upload can read
    FILE_NOT_CREATED = 16   # the upload's file cannot be created
    FILE_NOT_WRITTEN = 17   # not all of the upload's file reached the disk (a full disk)


def _cause(value: int) -> Cause:
    # A newer library may name causes this package does not: they stay numbers.
    try:
        return Cause(value)
    except ValueError:
        return value  # type: ignore[return-value]


class KbpError(Exception):
    """A call the library failed: `result` its number, `text` its status text trimmed,
    `raw` the status buffer's bytes up to its terminating zero (b"" where it wrote none),
    `cause` the first thing that went wrong in a failed download or upload (a Cause;
    Cause.NONE for a failure that is no transfer's)."""

    def __init__(self, result: int, raw: bytes = b"", text: Optional[str] = None,
                 cause: Union[Cause, int] = Cause.NONE) -> None:
        self.result = result
        self.raw = raw
        self.cause = _cause(int(cause))
        self.text = (_decode(raw) if text is None else text).strip()
        super().__init__(f"{self.text or 'the library failed'} (result {result})")

    def __reduce__(self):
        # Made again from its fields, not from its message, with any attribute set since.
        return type(self), (self.result, self.raw, self.text, self.cause), dict(self.__dict__)


class HidNode(NamedTuple):
    path: str
    vendor: int
    product: int


class LastTransfer(NamedTuple):
    """What the last download or upload did besides its result (struct kbp_last_transfer)."""
    cause: Cause        # the first thing that went wrong; Cause.NONE when nothing did
    bytes_sent: int     # download: the image bytes from address 4 on that the path took
    line_settings: str  # download: the settings its COM port was set up with, "9600,N,8,1"; "" for none


def _encode(path: Optional[PathLike]) -> Optional[bytes]:
    if path is None:
        return None
    path = os.fspath(path)
    # kbpi32.dll opens files by their ANSI name; a name it cannot spell is refused, not mangled.
    encoded = path.encode("mbcs", "strict") if WINDOWS and isinstance(path, str) else os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError(f"{path!r}: embedded null byte")
    return encoded


def _decode(raw: bytes) -> str:
    return raw.decode("mbcs" if WINDOWS else sys.getfilesystemencoding(), "replace")


_lock = threading.RLock()


class _Transfer:
    """The transfer under way: its callables, the first exception they raised, and
    kbp_linux_interrupt while that exception can still stop the transfer."""
    progress: Optional[Progress] = None
    question: Optional[Question] = None
    error: Optional[BaseException] = None
    stop = None


# Null function pointers: ctypes takes no None for a callback.
_NO_PROGRESS, _NO_BOX = PROGRESS(), BOX()


def _keep(error: BaseException) -> None:
    """Keeps the first exception of a transfer's Python code; the Linux library stops the transfer at once."""
    if _Transfer.error is None:
        _Transfer.error = error
        stop = _Transfer.stop
        if stop is not None:
            stop(1)


@PROGRESS
def _on_progress(percent: int) -> None:
    # The library calls this throughout a transfer: the Python code, and the signal handlers, run here.
    try:
        if _Transfer.progress is not None and _Transfer.error is None:
            _Transfer.progress(percent)
    except BaseException as error:  # ctypes would print and drop it
        _keep(error)


@BOX
def _on_box(text: bytes, caption: bytes, offers_cancel: int, _context: Optional[int]) -> int:
    if _Transfer.question is None or _Transfer.error is not None:
        return 0 if offers_cancel else 1
    try:
        return 1 if _Transfer.question(_decode(text or b""), _decode(caption or b""), bool(offers_cancel)) else 0
    except BaseException as error:
        _keep(error)
        return 0


# A signal's Python handler runs as the callback is entered, before its try: what it raises would be dropped.
_HELD_SIGNALS = tuple(getattr(signal, name) for name in ("SIGINT", "SIGTERM", "SIGHUP") if hasattr(signal, name))


def _on_signal(handler, number: int, frame) -> None:
    try:
        handler(number, frame)
    except BaseException as error:
        _keep(error)


def _hold_signals() -> dict:
    """Wraps the Python signal handlers (Ctrl-C's KeyboardInterrupt) so that what they raise is kept and stops the
    transfer; only the main thread runs them, and only it may set them."""
    held = {}
    if threading.current_thread() is threading.main_thread():
        for number in _HELD_SIGNALS:
            handler = signal.getsignal(number)
            if callable(handler):
                held[number] = handler
                signal.signal(number, functools.partial(_on_signal, handler))
    return held


def _release_signals(held: dict) -> None:
    for number, handler in held.items():
        signal.signal(number, handler)


def _holds(bytes_sent: int, of: int) -> str:
    """What the keyboard holds after a download that stopped, in kbptool's words."""
    if bytes_sent == 0:
        return "nothing was written to the keyboard"
    if bytes_sent >= of:
        return f"the image was sent completely ({of} bytes)"
    return f"the keyboard holds part of the image ({bytes_sent} of {of} bytes): download it again"


def _interrupted(error: KeyboardInterrupt, result: int, last: Optional["LastTransfer"], of: Optional[int],
                 path: PathLike) -> None:
    """The KeyboardInterrupt that stopped a transfer, with the transfer's result, cause and bytes sent."""
    error.result, error.cause = result, last.cause if last else Cause.NONE
    error.bytes_sent = last.bytes_sent if last and of is not None else None
    if error.args:
        return
    if of is not None:
        told = _holds(error.bytes_sent or 0, of) if last else "the keyboard may hold part of the image"
        error.args = (f"download interrupted: {told} (result {result})",)
    else:
        name = os.fsdecode(path)
        told = f"the image was read into {name}" if result > 0 else f"{name} is left as it was"
        error.args = (f"upload interrupted: {told} (result {result})",)


def _is_auto(interface: Optional[InterfaceLike]) -> bool:
    return interface is None or isinstance(interface, str) and interface.lower() == "auto"


def _kind(interface: InterfaceLike) -> int:
    if isinstance(interface, str):
        if _is_auto(interface):
            # kbptool's default: USB, but for the 32-bit Windows library's own choice.
            return Interface.AUTOMATIC if WINDOWS and BITS == 32 else Interface.USB
        if interface.lower() in _NAMES:
            return _NAMES[interface.lower()]
        try:
            interface = int(interface, 0)
        except ValueError:
            raise ValueError(f"{interface!r} names no interface: the kinds are 0..4: auto, "
                             + ", ".join(_NAMES)) from None
    if not 0 <= int(interface) <= 255:
        raise ValueError(f"interface {interface}: the library takes a byte (0..4 name paths)")
    return int(interface)


def _kind_here(lib: ctypes.CDLL, interface: InterfaceLike, takes_port: bool) -> int:
    """The interface's kind, refused on Linux where it names a path only Windows has."""
    kind = _kind(interface)
    if kind in _WINDOWS_PATHS and getattr(lib, "kbp_linux_set_com_port", None) is not None:
        raise ValueError(f"interface {interface!r}: Linux has no {_WINDOWS_PATHS[kind]}: the keyboard is reached here "
                         "over USB (hidraw) and serial devices only; use USB (interface='usb', the default)"
                         + (" or a serial device: port='/dev/ttyUSB0', '/dev/ttyS1' or '/dev/ttyACM0'"
                            if takes_port else ""))
    return kind


# enum kbp_port_path.
_PATH_CHOSEN, _PATH_USB, _PATH_SERIAL, _PATH_NONE = 0, 1, 2, 3
# enum kbp_port_problem: the texts the library would take otherwise than written (it would search the
# line settings, or open nothing). COM_NUMBER (2) it fails itself with -2, as it fails no port at all with -3.
_MISREAD = {1, 3, 4}  # SETTINGS, OTHER_SYSTEM, NO_FOLDER


def _port_text(lib: ctypes.CDLL, port: Optional[str], upload: bool) -> Tuple[bytes, int]:
    """The port text for the status buffer, and the path the library reads in it."""
    if port is None:
        return b"", _PATH_CHOSEN
    text = _encode(port) or b""
    reading = PORT_TEXT()
    function(lib, "kbp_read_port_text")(text, ctypes.byref(reading))
    # No other line settings make a serial port one an upload reads.
    if upload and reading.path == _PATH_SERIAL:
        raise ValueError(f"port {port}: an upload reads no serial port, only USB (port='USB') "
                         "or the path the interface chooses")
    if reading.problem in _MISREAD:
        instead = _decode(reading.instead)
        raise ValueError(f"{_decode(reading.reason)}: {_decode(reading.hint)}"
                         + (f" (write {instead!r})" if instead else ""))
    return text, reading.path


def _choose(lib: ctypes.CDLL, port: Optional[str], path: int, interface: Optional[InterfaceLike],
            takes_port: bool) -> None:
    if path == _PATH_SERIAL:
        if interface is not None:
            raise ValueError(f"interface {interface!r} and port {port}: a serial port is a path of its "
                             "own, which no interface kind names; keep the one you mean")
        # The library puts a chosen USB before a serial port.
        kind = int(Interface.AUTOMATIC)
    else:
        kind = _kind_here(lib, "auto" if interface is None else interface, takes_port)
        if path == _PATH_USB and not _is_auto(interface) and kind not in (Interface.AUTOMATIC, Interface.USB):
            raise ValueError(f"interface {interface!r} and port USB name two different paths; "
                             "keep the one you mean")
    _set_interface(lib, kind)


def _usb_interface(interface: Optional[InterfaceLike], device: PathLike) -> Interface:
    if not _is_auto(interface) and _kind(interface) != Interface.USB:
        raise ValueError(f"interface {interface!r} and device {os.fsdecode(device)}: a device is a USB keyboard; "
                         "keep the one you mean")
    return Interface.USB


def _usb_device(lib: ctypes.CDLL, device: PathLike) -> bytes:
    """`device` for the library, once it is known as a hidraw node of the keyboard's vendor."""
    encoded = _encode(device) or b""
    if getattr(lib, "kbp_linux_hid_node", None) is None and WINDOWS:
        return encoded  # SetupAPI's device path, which only kbpusb.dll reads
    nodes = hid_nodes()
    if not any(node.vendor == VENDOR_ID and os.path.realpath(node.path) == os.path.realpath(os.fsdecode(encoded))
               for node in nodes):
        found = ", ".join(f"{node.path} ({node.vendor:04X}:{node.product:04X})" for node in nodes) or "nothing"
        raise ValueError(f"device {os.fsdecode(device)} is no hidraw node of the keyboard's vendor "
                         f"({VENDOR_ID:04X}); hid_nodes() found: {found}")
    return encoded


def _choose_usb_device(lib: ctypes.CDLL, device: Optional[bytes]) -> None:
    linux = getattr(lib, "kbp_linux_set_usb_device", None)
    if linux is None and WINDOWS:
        refused = load_kbpusb(lib).SetDevice_USB(device)
    else:
        refused = (linux or function(lib, "kbp_linux_set_usb_device"))(device)
    if refused:
        raise ValueError(f"device {os.fsdecode(device or b'')}: too long to be a device path")


def _set_interface(lib: ctypes.CDLL, kind: int) -> None:
    if lib.kbp_set_interface(kind) != 0:
        raise KbpError(1, text=f"kbp_set_interface({kind}) refused it: the kinds are 0..4")


_FILE_KINDS = [(stat.S_ISDIR, "is a directory"), (stat.S_ISCHR, "is a device, not a file"),
               (stat.S_ISBLK, "is a device, not a file"), (stat.S_ISFIFO, "is a pipe, not a file"),
               (stat.S_ISSOCK, "is a socket, not a file")]


def _not_an_image(name: str, why: str, size: int) -> ValueError:
    return ValueError(f"{name} is not a valid image: {why} (the file has {size} bytes); a configuration image begins "
                      f'with "{_MAGIC.decode()}" and has {_IMAGE_MIN}..{_IMAGE_MAX} bytes')


def _read_image(path: PathLike) -> bytes:
    """The image file's bytes; ValueError for a file no download takes that is refused unread (no regular
    file, longer than the keyboard's memory); OSError where it cannot be read."""
    name, found = os.fsdecode(path), os.stat(path)
    if not stat.S_ISREG(found.st_mode):
        kind = next((words for test, words in _FILE_KINDS if test(found.st_mode)), "is not a regular file")
        raise ValueError(f"cannot read the image {name}: {name} {kind}; check the file's name and rights")
    if found.st_size > _IMAGE_MAX:
        raise _not_an_image(name, f"longer than {_IMAGE_MAX} bytes", found.st_size)
    with open(path, "rb") as file:
        return file.read(_IMAGE_MAX + 1)


def _check_image(path: PathLike, image: bytes, force: bool) -> None:
    """Refuses, as kbptool does, an image no download takes and one cut short (sent anyway with force)."""
    name = os.fsdecode(path)
    why = (f"shorter than {_IMAGE_MIN} bytes" if len(image) < _IMAGE_MIN else
           f"longer than {_IMAGE_MAX} bytes" if len(image) > _IMAGE_MAX else
           f'does not begin with "{_MAGIC.decode()}"' if not image.startswith(_MAGIC) else "")
    if why:
        raise _not_an_image(name, why, len(image))
    end = int.from_bytes(image[_END_FIELD:_END_FIELD + 2], "big")
    if len(image) >= end + 1:
        return
    cut = (f"the file has {len(image)} bytes but its end field (bytes {_END_FIELD}..{_END_FIELD + 1}) says {end}, "
           f"which needs {end + 1}")
    if not force:
        raise ValueError(f"{name} is cut short: nothing was sent: {cut}; copy the whole image again; "
                         "force=True sends it as it is")
    warnings.warn(f"{name}: {cut}: sent as it is (force=True), so the keyboard takes addresses {len(image)}..{end} "
                  "from what its memory held", stacklevel=4)


def _transfer(name: str, path: PathLike, port: Optional[str], interface: Optional[InterfaceLike],
              progress: Optional[Progress], question: Optional[Question], device: Optional[PathLike],
              force: bool = False) -> int:
    file, of = _encode(path), None
    if name == "kbp_download" and file:
        try:
            image = _read_image(path)
        except OSError:
            pass  # the library fails it with its own result and cause (FILE_NOT_OPENED)
        else:
            _check_image(path, image, force)
            of = len(image) - 4  # the bytes from address 4 on, which a download sends
    with _lock:
        lib = load()
        text, port_path = _port_text(lib, port, upload=name == "kbp_upload")
        chosen = None
        if device is not None:
            if port_path not in (_PATH_CHOSEN, _PATH_USB):
                raise ValueError(f"device {os.fsdecode(device)} and port {port}: a device is a USB keyboard, "
                                 "reached over USB (port None or 'USB'); keep the one you mean")
            interface = _usb_interface(interface, device)
            chosen = _usb_device(lib, device)
        _choose(lib, port, port_path, interface, takes_port=name == "kbp_download")
        if chosen is not None:
            _choose_usb_device(lib, chosen)
        # The library's texts name the file, and a device by its path with up to 64 bytes more: room for them.
        status = ctypes.create_string_buffer(text, 1024 + len(file or b"") + len(text) + len(chosen or b""))
        boxes = getattr(lib, "kbp_linux_set_box_callback", None)
        # Where the library can be stopped, the package's callback runs Python code all through the transfer.
        stop = getattr(lib, "kbp_linux_interrupt", None)
        _Transfer.progress, _Transfer.question, _Transfer.error, _Transfer.stop = progress, question, None, stop
        held, last = _hold_signals() if stop is not None else {}, None
        try:
            if boxes is not None:
                boxes(_on_box if question else _NO_BOX, None)
            result = getattr(lib, name)(file, status, _on_progress if progress or stop else _NO_PROGRESS)
            # The cause of this transfer, before another call of the library's can replace it.
            get_last = getattr(lib, "kbp_get_last_transfer", None)
            last = _last_transfer(get_last) if get_last is not None else None
            cause = last.cause if result <= 0 and last is not None else Cause.NONE
        finally:
            _Transfer.stop = None
            if stop is not None:
                stop(0)  # the devices work again
            if boxes is not None:
                boxes(_NO_BOX, None)
            if chosen is not None:
                _choose_usb_device(lib, None)
            error = _Transfer.error
            _Transfer.progress, _Transfer.question, _Transfer.error = None, None, None
            _release_signals(held)
    if error is not None:
        if isinstance(error, KeyboardInterrupt):
            _interrupted(error, result, last, of, path)
        raise error
    if result <= 0:
        raise KbpError(result, status.value, cause=cause)
    return result


def _last_transfer(get_last) -> LastTransfer:
    last = LAST_TRANSFER()
    get_last(ctypes.byref(last))
    return LastTransfer(_cause(last.cause), last.bytes_sent, _decode(last.line_settings))


def download(path: PathLike, port: Optional[str] = None, interface: Optional[InterfaceLike] = None,
             progress: Optional[Progress] = None, question: Optional[Question] = None,
             device: Optional[PathLike] = None, force: bool = False) -> int:
    """Sends the configuration image file `path` into the keyboard; returns its size.
    Raises KbpError with the library's result (-1..-7, see kbpi32.h) and cause
    when it fails; last_transfer() tells the line settings a COM port was set up with.

    The image is read first, and refused as kbptool refuses it, with ValueError
    before anything is sent: a file that is no regular file, one longer than
    65,536 bytes (refused by its size, unread), shorter than 302 bytes or not
    beginning with "Kelm", and one cut short, shorter than its end field
    (bytes 6..7, big-endian) says. force=True sends a file cut short as it is,
    with a warning; it sends no file of the others. A file that cannot be
    opened the library fails (-7, Cause.FILE_NOT_OPENED).

    port: what kbptool's --port takes, given to the library as written. None:
      the path the interface chooses; "USB"; on Windows "COM5" or
      "COM5:9600,N,8,1" (settings searched when absent); on Linux a serial
      device by its path, "/dev/ttyUSB0" or "/dev/ttyUSB0:9600,N,8,1", and
      COM1..COM9 only where set_com_port gave them a device. The library reads
      the text (kbp_read_port_text); ValueError, in its words and with the text
      to write instead where it knows one, for line settings it would not set
      as written, a port name of the other system ("COM5" on Linux) and a
      device without its folder ("ttyUSB0"). A text that names no port, and
      on Windows COM10 and up, the library fails itself (-3, -2).
    interface: an Interface, its number, or kbptool's name in any case: auto,
      ports, class, portdriver, usb. None and "auto" are kbptool's default:
      USB, but the library's automatic choice on 32-bit Windows. Set before the
      transfer; not with a serial port, which is a path of its own. On Linux
      ports, class and portdriver (1..3) are ValueError: Linux reaches the
      keyboard over USB (hidraw) and serial devices only.
    device: the USB keyboard to use when several are plugged in, reached over
      USB (port None or "USB", not with a serial port). On Linux its hidraw
      node, "/dev/hidraw3" as hid_nodes() lists them; anything that is no node
      of the keyboard's vendor is a ValueError naming what hid_nodes() found.
      On Windows its HID device path, which kbpusb.dll's SetDevice_USB
      (kbpusb.h), loaded from beside kbpi32.dll, chooses. Only for this call:
      None afterwards, the first keyboard of the vendor.
    progress: called with the percentage done, 0..100.
    question: answers the library's message boxes on Linux,
      (text, caption, offers_cancel) -> True for OK, False for Cancel; without
      it a box is answered OK, or Cancel where offered. On Windows the library
      shows its real boxes and `question` is not called.

    An exception raised in `progress` or `question`, or by a signal's Python
    handler during the transfer (Ctrl-C's KeyboardInterrupt), is kept and
    raised as it is once the library returns, in place of the transfer's result
    or failure. On Linux it stops the transfer at once (kbp_linux_interrupt): the
    library ends it with its own result and cause, and the devices work again
    for the next call. A KeyboardInterrupt then tells what the keyboard holds,
    and has the transfer's `result`, `cause` and `bytes_sent`. On Windows the
    library runs on (that box and any later one answered Cancel, later progress
    not reported).
    """
    return _transfer("kbp_download", path, port, interface, progress, question, device, force)


def upload(path: PathLike, port: Optional[str] = None, interface: Optional[InterfaceLike] = None,
           progress: Optional[Progress] = None, question: Optional[Question] = None,
           device: Optional[PathLike] = None) -> int:
    """Reads the keyboard's image into the file `path`; returns the image's end
    address (the file has one byte more). A failed upload leaves the file as it
    was and raises KbpError (result 0, or -1). `port` is None or "USB": no
    upload reads a serial port. With `device` the answers come from that
    keyboard's input device. The rest as for download().
    """
    return _transfer("kbp_upload", path, port, interface, progress, question, device)


def last_transfer() -> LastTransfer:
    """What the last download or upload did besides its result: its cause, the
    image bytes a download's path took, and the line settings its COM port was
    set up with (given, or found by the library's search)."""
    with _lock:
        lib = load()
        return _last_transfer(function(lib, "kbp_get_last_transfer"))


def set_interface(interface: InterfaceLike) -> None:
    """Chooses the path for send() and the library's other calls (names as in download()).
    The transfers choose their own."""
    with _lock:
        lib = load()
        _set_interface(lib, _kind_here(lib, interface, takes_port=False))


def get_interface() -> Interface:
    """The path in use; Interface.AUTOMATIC while none has been chosen."""
    with _lock:
        return Interface(load().kbp_get_interface())


def send(byte: int, device: Optional[PathLike] = None) -> None:
    """Sends one byte to the keyboard on the chosen path; KbpError with the path's failure code.
    With `device` (as for download()) the byte goes to that USB keyboard over USB,
    and the path chosen before is chosen again afterwards."""
    if not 0 <= byte <= 255:
        raise ValueError(f"{byte} is not a byte")
    with _lock:
        lib = load()
        if device is None:
            result = lib.kbp_snd_interface(byte)
        else:
            chosen, before = _usb_device(lib, device), lib.kbp_get_interface()
            _set_interface(lib, Interface.USB)
            _choose_usb_device(lib, chosen)
            try:
                result = lib.kbp_snd_interface(byte)
            finally:
                _choose_usb_device(lib, None)
                _set_interface(lib, before)
    if result != 0:
        raise KbpError(result, text=f"the keyboard did not take {byte:#04x}")


# --- Linux: what libkbpi32.so.1 is told beyond kbpi32.h (LibraryError elsewhere)

def _linux(name: str, *args):
    with _lock:
        return function(load(), name)(*args)


# What this process told the library of its devices, for download_many's workers to tell theirs.
_device_roots: List[Optional[str]] = [None, None]
_com_ports: dict = {}


def set_com_port(number: int, device: Optional[PathLike]) -> None:
    """Makes COM`number` (1..9) stand for the serial device `device`; None frees the number."""
    if _linux("kbp_linux_set_com_port", number, _encode(device)) != 0:
        raise ValueError(f"COM{number}: the numbers are 1..9")
    _com_ports.pop(number, None)
    if device:
        _com_ports[number] = os.fsdecode(device)


def map_com_port(device: PathLike) -> int:
    """The COM number that stands for `device` (the one it has, else the first free one)."""
    number = _linux("kbp_linux_map_com_port", _encode(device))
    if number == 0:
        raise KbpError(0, text=f"no COM number is left for {os.fsdecode(device)}")
    _com_ports[number] = os.fsdecode(device)
    return number


def set_input_device(path: Optional[PathLike]) -> None:
    """The keyboard's input device (/dev/input/eventN) an upload reads its answers
    from; None: the one found through sysfs beside the keyboard's hidraw node."""
    _linux("kbp_linux_set_input_device", _encode(path))


def last_device_error() -> int:
    """The errno of the last device operation that failed (os.strerror tells it); 0 while none has."""
    return _linux("kbp_linux_last_device_error")


def set_device_roots(sysfs_root: Optional[PathLike] = None, dev_root: Optional[PathLike] = None) -> None:
    """Where sysfs and /dev stand, for containers and tests; None keeps the one set."""
    _linux("kbp_linux_set_device_roots", _encode(sysfs_root), _encode(dev_root))
    for i, root in enumerate((sysfs_root, dev_root)):
        if root is not None:
            _device_roots[i] = os.fsdecode(root)


def keyboard_input_device() -> Optional[str]:
    """The input device an upload would read now; None when there is none."""
    buffer = ctypes.create_string_buffer(4096)
    length = _linux("kbp_linux_keyboard_input_device", buffer, len(buffer))
    return os.fsdecode(buffer.value) if length > 0 else None


def hid_nodes() -> List[HidNode]:
    """The hidraw nodes sysfs describes, with their USB vendor and product."""
    nodes, path = [], ctypes.create_string_buffer(4096)
    vendor, product = ctypes.c_ushort(), ctypes.c_ushort()
    while _linux("kbp_linux_hid_node", len(nodes), path, len(path), ctypes.byref(vendor), ctypes.byref(product)):
        nodes.append(HidNode(os.fsdecode(path.value), vendor.value, product.value))
    return nodes


from ._many import KeyboardResult, download_many  # noqa: E402  (it builds on the calls above)
