"""Finding and loading kbpi32, with its exports' prototypes and structures."""

from __future__ import annotations

import ctypes
import os
import platform
import struct
import sys
from typing import Optional, Tuple

WINDOWS = sys.platform.startswith("win")
BITS = struct.calcsize("P") * 8
# 32-bit Windows exports are standard-call; everywhere else there is one convention.
STDCALL = WINDOWS and BITS == 32

_LIBRARY_NAME = "kbpi32.dll" if WINDOWS else "libkbpi32.so.1"
_ENVIRONMENT = "KBP_LIBRARY"

_FUNCTION_TYPE = ctypes.WINFUNCTYPE if STDCALL else ctypes.CFUNCTYPE  # type: ignore[attr-defined]
PROGRESS = _FUNCTION_TYPE(None, ctypes.c_int)
# Only the Linux library asks its boxes of the caller; it has the one convention.
BOX = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_void_p)


# The structures of kbpi32.h, in its field order and C's natural alignment.
class LAST_TRANSFER(ctypes.Structure):
    """struct kbp_last_transfer: what the last download or upload did besides its result."""
    _fields_ = [("cause", ctypes.c_int32), ("bytes_sent", ctypes.c_int32), ("line_settings", ctypes.c_char * 16)]


class PORT_TEXT(ctypes.Structure):
    """struct kbp_port_text: the library's reading of a port text."""
    _fields_ = [("path", ctypes.c_int32), ("problem", ctypes.c_int32), ("line_rate", ctypes.c_uint32),
                ("port", ctypes.c_char * 260), ("settings", ctypes.c_char * 24), ("reason", ctypes.c_char * 160),
                ("hint", ctypes.c_char * 200), ("instead", ctypes.c_char * 260)]


_ELF_MACHINES = {3: "x86", 62: "x86-64", 40: "ARM", 183: "ARM64", 243: "RISC-V"}
_PE_MACHINES = {0x14C: "x86", 0x8664: "x86-64", 0x1C4: "ARM", 0xAA64: "ARM64"}
_PYTHON_MACHINES = {"x86_64": "x86-64", "amd64": "x86-64", "i386": "x86", "i686": "x86", "x86": "x86",
                    "aarch64": "ARM64", "arm64": "ARM64", "riscv64": "RISC-V"}
_NARROWER = {"x86-64": "x86", "ARM64": "ARM"}


class LibraryError(OSError):
    """The library cannot be loaded, or lacks what was asked of it."""


def _file_kind(path: str) -> Optional[Tuple[str, int, str]]:
    """(system, bits, machine) from an ELF or PE header; None for neither."""
    try:
        with open(path, "rb") as f:
            head = f.read(64)
            if head[:4] == b"\x7fELF" and len(head) >= 20:
                order = "<" if head[5] == 1 else ">"
                machine = struct.unpack_from(order + "H", head, 18)[0]
                return "Linux", 32 if head[4] == 1 else 64, _ELF_MACHINES.get(machine, f"machine {machine}")
            if head[:2] == b"MZ" and len(head) >= 64:
                f.seek(struct.unpack_from("<I", head, 0x3C)[0])
                pe = f.read(6)
                if pe[:4] == b"PE\0\0" and len(pe) == 6:
                    machine = struct.unpack_from("<H", pe, 4)[0]
                    name = _PE_MACHINES.get(machine, f"machine {machine:#x}")
                    return "Windows", 64 if name in ("x86-64", "ARM64") else 32, name
    except OSError:
        pass
    return None


def _python_machine() -> Optional[str]:
    # platform.machine() names the system's processor: a 32-bit Python on a
    # 64-bit Windows runs as the narrower one.
    machine = _PYTHON_MACHINES.get(platform.machine().lower())
    return _NARROWER.get(machine, machine) if BITS == 32 and machine else machine


def architecture_mismatch(path: str) -> Optional[str]:
    """Why this Python cannot load the library file `path`, in words; None when it can or cannot tell."""
    kind = _file_kind(path)
    if kind is None:
        return None
    system, bits, machine = kind
    here = "Windows" if WINDOWS else platform.system()
    mine = _python_machine()
    if (system == "Windows") == WINDOWS and bits == BITS and (mine is None or mine == machine):
        return None
    what = "DLL" if system == "Windows" else "library"
    needs = f"the {BITS}-bit kbpi32.dll" if WINDOWS else _LIBRARY_NAME
    return (f"{path} is a {bits}-bit {system} {what} ({machine}); "
            f"this Python is {BITS}-bit on {here} and needs {needs}")


def _declare(lib: ctypes.CDLL) -> None:
    c_int, c_char_p, c_ubyte = ctypes.c_int, ctypes.c_char_p, ctypes.c_ubyte
    prototypes = {
        "kbp_download": (c_int, [c_char_p, c_char_p, PROGRESS]),
        "kbp_upload": (c_int, [c_char_p, c_char_p, PROGRESS]),
        "kbp_set_interface": (c_ubyte, [c_int]),
        "kbp_get_interface": (c_ubyte, []),
        "kbp_snd_interface": (c_ubyte, [c_int]),
        "kbp_get_last_transfer": (c_int, [ctypes.POINTER(LAST_TRANSFER)]),
        "kbp_read_port_text": (c_int, [c_char_p, ctypes.POINTER(PORT_TEXT)]),
        "kbp_linux_set_com_port": (c_int, [c_int, c_char_p]),
        "kbp_linux_map_com_port": (c_int, [c_char_p]),
        "kbp_linux_set_input_device": (None, [c_char_p]),
        "kbp_linux_set_usb_device": (c_int, [c_char_p]),
        "kbp_linux_interrupt": (None, [c_int]),
        "kbp_linux_set_box_callback": (None, [BOX, ctypes.c_void_p]),
        "kbp_linux_last_device_error": (c_int, []),
        "kbp_linux_set_device_roots": (None, [c_char_p, c_char_p]),
        "kbp_linux_keyboard_input_device": (c_int, [c_char_p, c_int]),
        "kbp_linux_hid_node": (c_int, [c_int, c_char_p, c_int, ctypes.POINTER(ctypes.c_ushort),
                                       ctypes.POINTER(ctypes.c_ushort)]),
    }
    for name, (restype, argtypes) in prototypes.items():
        function = getattr(lib, name, None)
        if function is not None:
            function.restype, function.argtypes = restype, argtypes


_loaded: dict = {}


def load() -> ctypes.CDLL:
    """The library KBP_LIBRARY names, else kbpi32.dll / libkbpi32.so.1 as the system finds it."""
    name = os.environ.get(_ENVIRONMENT) or _LIBRARY_NAME
    if name in _loaded:
        return _loaded[name]
    # A bare name is the system's search, which may find another file than the folder's.
    if os.path.dirname(name) and os.path.isfile(name):
        mismatch = architecture_mismatch(name)
        if mismatch:
            raise LibraryError(mismatch)
    loader = ctypes.WinDLL if STDCALL else ctypes.CDLL  # type: ignore[attr-defined]
    try:
        lib = loader(name)
    except OSError as error:
        where = f"{_ENVIRONMENT}={name}" if _ENVIRONMENT in os.environ else f"{name} (set {_ENVIRONMENT} to its path)"
        raise LibraryError(f"cannot load kbpi32 from {where}: {error}") from error
    _declare(lib)
    _loaded[name] = lib
    return lib


def load_kbpusb(lib: ctypes.CDLL) -> ctypes.CDLL:
    """kbpusb.dll from beside the Windows library `lib`, the one its USB path loads by name."""
    if "kbpusb" not in _loaded:
        name = ctypes.create_unicode_buffer(32768)
        ctypes.windll.kernel32.GetModuleFileNameW(ctypes.c_void_p(lib._handle), name, len(name))  # type: ignore
        path = os.path.join(os.path.dirname(name.value), "kbpusb.dll")
        try:
            usb = (ctypes.WinDLL if STDCALL else ctypes.CDLL)(path)  # type: ignore[attr-defined]
        except OSError as error:
            raise LibraryError(f"cannot load {path}: {error}") from error
        usb.SetDevice_USB.restype, usb.SetDevice_USB.argtypes = ctypes.c_ubyte, [ctypes.c_char_p]
        _loaded["kbpusb"] = usb
    return _loaded["kbpusb"]


def function(lib: ctypes.CDLL, name: str):
    """The export `name`; LibraryError when this library has none (the Linux calls elsewhere)."""
    found = getattr(lib, name, None)
    if found is None:
        raise LibraryError(f"{lib._name} has no {name}: it belongs to the Linux library {_LIBRARY_NAME}"
                           if name.startswith("kbp_linux_") else f"{lib._name} has no {name}")
    return found
