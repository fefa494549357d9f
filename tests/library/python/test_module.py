"""The module `velmora` as Python programs use it."""
import array
import os
import pathlib
import threading

import pytest
import velmora

from conftest import corpus_photos, program_strip, synthetic_jpeg

OPTIONS = {  # keyword: the settings key the program reads for it
    "keep_orientation": "Keep_Orientation", "keep_icc": "Keep_ICC",
    "cut_after_eoi": "Delete_after_EOI", "write_jfif": "Write_JFIF",
    "original_jfif": "Original_JFIF", "write_app14": "Write_APP14",
    "write_comment": "Write_Comment",
}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def test_strip_gives_the_programs_bytes_for_every_real_photo():
    photos = corpus_photos()
    if not photos:
        pytest.skip("no real photos beside the clone")
    inputs = [read(p) for p in photos]
    for path, data, expected in zip(photos, inputs, program_strip(inputs)):
        try:
            assert velmora.strip(data) == expected, path
        except velmora.Error:
            assert expected == data, path  # the program left it as it was


@pytest.mark.parametrize("keyword", sorted(OPTIONS))
def test_each_keyword_acts_as_its_setting_does(keyword):
    photos = corpus_photos() or []
    inputs = [read(p) for p in photos[:12]] + [synthetic_jpeg()]
    for value in (False, True):
        expected = program_strip(inputs, "%s=%d\n" % (OPTIONS[keyword], value))
        for data, want in zip(inputs, expected):
            try:
                assert velmora.strip(data, **{keyword: value}) == want
            except velmora.Error:
                assert want == data


def test_any_bytes_like_object_is_taken():
    data = synthetic_jpeg()
    expected = velmora.strip(data)
    for given in (bytearray(data), memoryview(data), array.array("B", data),
                  memoryview(b"xx" + data)[2:]):
        assert velmora.strip(given) == expected
    with pytest.raises((BufferError, TypeError, ValueError)):
        velmora.strip(memoryview(data)[::2])
    with pytest.raises(TypeError):
        velmora.strip("not bytes")


def test_typed_errors_for_what_cannot_be_stripped():
    assert issubclass(velmora.Error, ValueError)
    damaged = bytearray(synthetic_jpeg())
    damaged[5] = 0x7F  # the Exif segment now runs past the end
    cases = [(b"", velmora.NotJpegError), (b"\x89PNG\r\n\x1a\n", velmora.NotJpegError),
             (bytes(damaged), velmora.DamagedError)]
    for data, error in cases:
        with pytest.raises(error) as raised:
            velmora.strip(data)
        assert isinstance(raised.value, velmora.Error)
        with pytest.raises(error):
            velmora.check(data)
    with pytest.raises(TypeError):
        velmora.strip(synthetic_jpeg(), no_such_option=True)


def test_check_tells_what_strip_removes():
    removed = velmora.check(synthetic_jpeg())
    assert [(s.marker, s.kind, s.offset) for s in removed] == [
        (0xFFE1, "Exif", 2), (0, "data after the end of image", 241)]
    assert removed[0].length == 19
    assert velmora.check(synthetic_jpeg(), cut_after_eoi=False)[-1].kind == "Exif"
    assert velmora.check(velmora.strip(synthetic_jpeg(tail=b""))) == []


def test_strip_file_replaces_the_file_and_reports(tmp_path):
    photo = tmp_path / "a.jpg"
    photo.write_bytes(synthetic_jpeg())
    done = velmora.strip_file(photo, backup=True, trace=True)
    assert (done.outcome, done.ok) == ("written", True)
    assert [s.kind for s in done.removed] == ["Exif", "data after the end of image"]
    assert pathlib.Path(done.backup).read_bytes() == synthetic_jpeg()
    assert any("SOI" in line for line in done.trace)
    assert photo.read_bytes() == velmora.strip(synthetic_jpeg())
    again = velmora.strip_file(str(photo))
    assert (again.outcome, again.removed, again.trace) == ("clean", [], [])

    (tmp_path / "b.jpg").write_bytes(b"GIF89a")
    cases = [(tmp_path / "b.jpg", "not a JPEG"), (tmp_path / "absent.jpg", "not loaded")]
    for path, outcome in cases:
        result = velmora.strip_file(os.fspath(path).encode())
        assert (result.outcome, result.ok) == (outcome, False)
        assert result.reason


def test_threads_strip_at_once_with_the_bytes_of_one():
    photos = corpus_photos()
    inputs = [read(p) for p in photos] or [synthetic_jpeg(scan=100000)]
    expected = []
    for data in inputs:
        try:
            expected.append(velmora.strip(data))
        except velmora.Error as error:
            expected.append(type(error))
    wrong = []

    def work():
        for data, want in zip(inputs * 3, expected * 3):
            try:
                got = velmora.strip(data)
            except velmora.Error as error:
                got = type(error)
            if got != want:
                wrong.append(data[:16])

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert wrong == []
