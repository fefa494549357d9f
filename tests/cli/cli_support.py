"""Runs the built program in a folder of its own, as scripts and hooks do."""
import fcntl
import os
import shutil
import subprocess
import tempfile
import unittest

PROGRAM = os.environ["VELMORA_PROGRAM"]
CORPUS = os.environ.get("VELMORA_CORPUS_DIR", "")
LOCK_NAME = "{0AEE3B1E-A5E1-43DB-9659-667DEEA2C865}"
JPEG_ENDINGS = (".jpg", ".jpeg", ".mpo")


def corpus_photos():
    if not os.path.isdir(CORPUS):
        return []
    return sorted(os.path.join(CORPUS, n) for n in os.listdir(CORPUS)
                  if n.lower().endswith(JPEG_ENDINGS))


def synthetic_jpeg(scan=200, tail=b"appended private data"):
    """A baseline JPEG with an Exif segment, a scan and bytes after its end."""
    exif = b"Exif\0\0secretGPS"
    data = bytes((i * 7) % 255 for i in range(scan))  # never 0xFF
    return (b"\xFF\xD8" + b"\xFF\xE1" + (len(exif) + 2).to_bytes(2, "big") + exif +
            b"\xFF\xDB\x00\x04\x00\x01" + b"\xFF\xC0\x00\x05\x08\x00\x01" +
            b"\xFF\xDA\x00\x03\x01" + data + b"\xFF\xD9" + tail)


class ProgramCase(unittest.TestCase):
    """Each test gets home, settings and runtime folders of its own, and a
    folder `photos` it works in."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="velmora-cli-")
        self.addCleanup(shutil.rmtree, self.root, True)
        for sub in ("home", "config/BRESKO", "run", "photos"):
            os.makedirs(os.path.join(self.root, sub))
        os.chmod(os.path.join(self.root, "run"), 0o700)
        self.photos = os.path.join(self.root, "photos")
        self.settings("Wave_Sound=0\n")

    def settings(self, keys):
        with open(self.settings_path(), "w") as f:
            f.write("[CONFIG]\n" + keys)

    def settings_path(self):
        return os.path.join(self.root, "config/BRESKO/velmora.ini")

    def env(self):
        env = {"HOME": os.path.join(self.root, "home"),
               "XDG_CONFIG_HOME": os.path.join(self.root, "config"),
               "XDG_RUNTIME_DIR": os.path.join(self.root, "run"),
               "PATH": os.path.dirname(PROGRAM) + ":/usr/bin:/bin"}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        return env

    def run_program(self, args, stdin=b""):
        return subprocess.run([PROGRAM] + args, input=stdin, cwd=self.photos, env=self.env(),
                              capture_output=True, timeout=300)

    def put(self, name, data):
        path = os.path.join(self.photos, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, name):
        with open(os.path.join(self.photos, name), "rb") as f:
            return f.read()

    def hold_lock(self):
        """Plays the first copy: holds the session's guard until the test ends."""
        fd = os.open(os.path.join(self.root, "run", LOCK_NAME + ".lock"),
                     os.O_RDWR | os.O_CREAT, 0o600)
        self.addCleanup(os.close, fd)
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
