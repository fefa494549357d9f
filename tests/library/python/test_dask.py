"""The Dask example on a local cluster of two worker processes: every photo
it strips holds the program's bytes and decodes to the same pixels."""
import io
import os
import subprocess
import sys

import pytest

from conftest import program_strip

dask = pytest.importorskip("dask")
pytest.importorskip("distributed")
Image = pytest.importorskip("PIL.Image")

SCRIPT = os.path.join(os.environ.get("VELMORA_SOURCE_DIR", ""), "examples", "dask_strip.py")


def photo_with_metadata(seed):
    """A small real JPEG with Exif, a comment, an ICC-like APP2 and data
    after its end, each photo its own pixels."""
    image = Image.new("RGB", (64 + seed % 5 * 8, 48))
    image.putdata([((x * 7 + seed) % 256, (x * 3) % 256, (seed * 29) % 256)
                   for x in range(image.width * image.height)])
    exif = Image.Exif()
    exif[0x010F] = "Camera %d" % seed  # Make
    exif[0x0112] = 1 + seed % 8  # Orientation
    out = io.BytesIO()
    image.save(out, "JPEG", quality=90, exif=exif.tobytes(), comment=b"shot %d" % seed,
               icc_profile=b"\0" * 128)
    return out.getvalue() + b"private trailer %d" % seed


def pixels(data):
    with Image.open(io.BytesIO(data)) as image:
        return image.mode, image.size, image.tobytes()


def test_two_workers_strip_every_photo_as_the_program_does(tmp_path):
    if not os.path.exists(SCRIPT):
        pytest.skip("the example is not beside the tests")
    inputs = [photo_with_metadata(seed) for seed in range(36)]
    paths = []
    for i, data in enumerate(inputs):
        folder = tmp_path / ("album%d" % (i % 3))
        folder.mkdir(exist_ok=True)
        paths.append(folder / ("p%02d.jpg" % i))
        paths[-1].write_bytes(data)
    (tmp_path / "album0" / "notes.txt").write_bytes(b"not a photo")

    run = subprocess.run([sys.executable, SCRIPT, "--workers", "2", "--partition-size", "5",
                          str(tmp_path / "album0"), str(tmp_path / "album1"),
                          str(tmp_path / "album2")],
                         capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert run.stdout.startswith("36 files")
    assert "written" in run.stdout

    expected = program_strip(inputs)
    for path, data, want in zip(paths, inputs, expected):
        got = path.read_bytes()
        assert got == want, path
        assert b"Camera" not in got and b"private trailer" not in got
        assert pixels(got) == pixels(data)
    assert (tmp_path / "album0" / "notes.txt").read_bytes() == b"not a photo"


def test_files_not_written_are_named_and_set_the_exit_status(tmp_path):
    (tmp_path / "fake.jpg").write_bytes(b"GIF89a not a photo")
    run = subprocess.run([sys.executable, SCRIPT, "--workers", "1", str(tmp_path)],
                         capture_output=True, text=True, timeout=300)
    assert run.returncode == 1
    assert "fake.jpg" in run.stderr and "not a JPEG" in run.stdout
