"""The kbp package as pip installs it, and the words for a library of the wrong kind."""

import os
import platform
import struct
import subprocess
import sys
import zipfile

import pytest

import kbp

PACKAGE = os.path.join(os.path.dirname(__file__), "..", "..", "python")


def test_pip_installs_the_package_with_nothing_downloaded(tmp_path):
    subprocess.run([sys.executable, "-m", "pip", "install", "--quiet", "--no-index", "--no-deps", "--target",
                    str(tmp_path / "site"), PACKAGE], check=True, env={**os.environ, "PIP_NO_INPUT": "1"})
    dist_info = [name for name in os.listdir(tmp_path / "site") if name.endswith(".dist-info")]
    assert dist_info == [f"kbp-{os.environ.get('KBP_TEST_VERSION', '')}.dist-info"]  # the project's version
    record = (tmp_path / "site" / dist_info[0] / "RECORD").read_text()
    for name in ("__init__.py", "_library.py", "_many.py", "py.typed"):
        assert f"kbp/{name},sha256=" in record
    found = subprocess.run([sys.executable, "-c", "import kbp; print(kbp.__file__)"], cwd=tmp_path, check=True,
                           capture_output=True, text=True, env={"PYTHONPATH": str(tmp_path / "site")})
    assert found.stdout.startswith(str(tmp_path / "site"))


def pe_dll(machine):
    header = bytearray(64)
    header[:2] = b"MZ"
    struct.pack_into("<I", header, 0x3C, 64)
    return bytes(header) + b"PE\0\0" + struct.pack("<H", machine) + bytes(18)


def elf_library(bits, machine):
    return b"\x7fELF" + bytes([bits // 32, 1, 1]) + bytes(9) + struct.pack("<HH", 3, machine) + bytes(44)


@pytest.mark.skipif(sys.platform != "linux" or platform.machine() != "x86_64" or struct.calcsize("P") != 8,
                    reason="the words are pinned for a 64-bit Python on x86-64 Linux")
@pytest.mark.parametrize("name, contents, words", [
    ("kbpi32.dll", pe_dll(0x14C), "is a 32-bit Windows DLL (x86); this Python is 64-bit on Linux and needs "
                                  "libkbpi32.so.1"),
    ("kbpi32.dll", pe_dll(0x8664), "is a 64-bit Windows DLL (x86-64); this Python is 64-bit on Linux"),
    ("libkbpi32.so.1", elf_library(32, 3), "is a 32-bit Linux library (x86); this Python is 64-bit on Linux"),
    ("libkbpi32.so.1", elf_library(64, 183), "is a 64-bit Linux library (ARM64); this Python is 64-bit on Linux"),
], ids=["pe32", "pe64", "elf32", "elf-arm64"])
def test_a_library_of_the_wrong_kind_is_named_before_loading(monkeypatch, tmp_path, name, contents, words):
    (tmp_path / name).write_bytes(contents)
    monkeypatch.setenv("KBP_LIBRARY", str(tmp_path / name))
    with pytest.raises(kbp.LibraryError) as refused:
        kbp.get_interface()
    assert str(refused.value).startswith(f"{tmp_path / name} {words}")
