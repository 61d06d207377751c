"""The PEP 517 backend of the kbp package: one plain wheel, no dependencies.

The version is read from the project's top CMakeLists.txt, `project(kbp VERSION x.y.z)`,
two folders up from here: the package is built inside the repository.
"""

import base64
import hashlib
import os
import re
import zipfile

_HERE = os.path.dirname(os.path.abspath(__file__))
_PACKAGE_ROOT = os.path.dirname(_HERE)
_CMAKE_LISTS = os.path.join(os.path.dirname(_PACKAGE_ROOT), "CMakeLists.txt")
_NAME = "kbp"
_SUMMARY = "Configuration images to and from the programmable keyboards, through kbpi32"


def _version():
    try:
        with open(_CMAKE_LISTS, encoding="utf-8") as f:
            text = f.read()
    except OSError as error:
        raise RuntimeError(f"the kbp package is built inside its repository: {_CMAKE_LISTS}: {error}") from None
    found = re.search(r"project\s*\(\s*kbp\s+VERSION\s+([0-9]+(?:\.[0-9]+)*)", text)
    if not found:
        raise RuntimeError(f"{_CMAKE_LISTS} has no project(kbp VERSION x.y.z)")
    return found.group(1)


def _metadata(version):
    with open(os.path.join(_PACKAGE_ROOT, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    return (f"Metadata-Version: 2.1\nName: {_NAME}\nVersion: {version}\nSummary: {_SUMMARY}\n"
            "Requires-Python: >=3.8\nDescription-Content-Type: text/markdown\n\n" + readme)


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}\n"


def get_requires_for_build_wheel(config_settings=None):
    return []


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _version()
    dist_info = f"{_NAME}-{version}.dist-info"
    files = []
    package = os.path.join(_PACKAGE_ROOT, _NAME)
    for name in sorted(os.listdir(package)):
        if name.endswith(".py") or name == "py.typed":
            with open(os.path.join(package, name), "rb") as f:
                files.append((f"{_NAME}/{name}", f.read()))
    files.append((f"{dist_info}/METADATA", _metadata(version).encode("utf-8")))
    files.append((f"{dist_info}/WHEEL", b"Wheel-Version: 1.0\nGenerator: kbp_build\n"
                  b"Root-Is-Purelib: true\nTag: py3-none-any\n"))
    record_name = f"{dist_info}/RECORD"
    record = "".join(_record_line(name, data) for name, data in files) + f"{record_name},,\n"
    files.append((record_name, record.encode("utf-8")))

    wheel_name = f"{_NAME}-{version}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(wheel_directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            # A fixed time: the same sources make the same wheel.
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.external_attr = 0o644 << 16
            wheel.writestr(info, data, zipfile.ZIP_DEFLATED)
    return wheel_name
