"""What the tests of the Python module share: the real photos, small made-up
ones, and the program itself as the judge of what a strip must give."""
import os
import shutil
import subprocess
import tempfile

import pytest

PROGRAM = os.environ.get("VELMORA_PROGRAM", "")
CORPUS = os.environ.get("VELMORA_CORPUS_DIR", "")


def corpus_photos():
    if not os.path.isdir(CORPUS):
        return []
    return sorted(os.path.join(CORPUS, n) for n in os.listdir(CORPUS)
                  if n.lower().endswith((".jpg", ".jpeg")))


def synthetic_jpeg(scan=200, tail=b"appended private data"):
    """A baseline JPEG with an Exif segment, a scan and bytes after its end."""
    exif = b"Exif\0\0secretGPS"
    data = bytes((i * 7) % 255 for i in range(scan))  # never 0xFF
    return (b"\xFF\xD8" + b"\xFF\xE1" + (len(exif) + 2).to_bytes(2, "big") + exif +
            b"\xFF\xDB\x00\x04\x00\x01" + b"\xFF\xC0\x00\x05\x08\x00\x01" +
            b"\xFF\xDA\x00\x03\x01" + data + b"\xFF\xD9" + tail)


def program_strip(inputs, settings=""):
    """The bytes the program leaves of each input, stripping copies of them in
    place with a settings file of `settings` keys (the defaults when empty)."""
    if not PROGRAM:
        pytest.skip("the program's path is not given")
    root = tempfile.mkdtemp(prefix="velmora-py-")
    try:
        for sub in ("home", "config/BRESKO", "run", "photos"):
            os.makedirs(os.path.join(root, sub))
        os.chmod(os.path.join(root, "run"), 0o700)
        with open(os.path.join(root, "config/BRESKO/velmora.ini"), "w") as f:
            f.write("[CONFIG]\nWave_Sound=0\n" + settings)
        names = []
        for i, data in enumerate(inputs):
            names.append(os.path.join(root, "photos", "p%04d.jpg" % i))
            with open(names[-1], "wb") as f:
                f.write(data)
        env = {"HOME": os.path.join(root, "home"),
               "XDG_CONFIG_HOME": os.path.join(root, "config"),
               "XDG_RUNTIME_DIR": os.path.join(root, "run"), "PATH": "/usr/bin:/bin"}
        subprocess.run([PROGRAM, "-q", "--"] + names, env=env, capture_output=True, timeout=600)
        outputs = []
        for name in names:
            with open(name, "rb") as f:
                outputs.append(f.read())
        return outputs
    finally:
        shutil.rmtree(root, True)


def pytest_configure(config):
    config.addinivalue_line("markers", "corpus: needs the real photos beside the clone")
