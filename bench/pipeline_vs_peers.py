#!/usr/bin/env python3
"""The Python module against the ways pipelines strip photos today, over
real-size photos (the real photos beside the clone of 100 kB or more, cycled
to COUNT files): files/s and MB/s of input, in memory and on disk.

    python3 bench/pipeline_vs_peers.py [--count 2000] [--slow-count 200]
        [--module-path build/release/python] [--folder DIR]

Rows: the module in one thread and in two (strip() over bytes; strip_file()
in place), Pillow re-encoding at quality 95 (decode and encode: what losing
quality costs), exiftool in one process over the folder (-all= -overwrite_original),
jhead in one process (-purejpg), and examples/dask_strip.py with two workers
(its whole run: cluster start included). Pillow and exiftool take SLOW-COUNT
files (the first of the same cycle), or the run would take an hour; their
rates are per file all the same. On disk: fresh copies in a folder on the
disk before each row (the copy is not timed; the page cache is warm, as it is
for a pipeline that just received the files). Needs python3-pil, exiftool and
jhead; a row whose tool is missing is left out. Never run as a test."""
import argparse
import concurrent.futures
import io
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def real_photos(folder, smallest):
    names = sorted(n for n in os.listdir(folder) if n.lower().endswith((".jpg", ".jpeg")))
    photos = []
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        if len(data) >= smallest:
            photos.append((name, data))
    return photos


def timed(work):
    started = time.perf_counter()
    work()
    return time.perf_counter() - started


class Bench:
    def __init__(self, photos, count, slow_count, disk):
        self.cycle = [photos[i % len(photos)] for i in range(count)]
        self.slow_count = slow_count
        self.disk = disk
        self.rows = []

    def inputs(self, slow):
        return self.cycle[:self.slow_count] if slow else self.cycle

    def fresh_folder(self, slow):
        folder = os.path.join(self.disk, "photos")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        paths = []
        for i, (name, data) in enumerate(self.inputs(slow)):
            paths.append(os.path.join(folder, "%05d-%s" % (i, name)))
            with open(paths[-1], "wb") as f:
                f.write(data)
        os.sync()
        return folder, paths

    def add(self, name, where, slow, seconds):
        files = self.inputs(slow)
        size = sum(len(d) for _, d in files)
        self.rows.append((name, where, len(files), len(files) / seconds, size / 1e6 / seconds))
        print("  %-34s %-9s %5d files %9.1f files/s %9.1f MB/s" % self.rows[-1], file=sys.stderr)

    def in_memory(self, name, strip_one, threads=1, slow=False):
        datas = [d for _, d in self.inputs(slow)]

        # Each output is let go at once, as a pipeline sending it on does:
        # 2,000 kept would measure the allocator's page faults instead.
        def run_all(part):
            for data in part:
                strip_one(data)

        if threads == 1:
            seconds = timed(lambda: run_all(datas))
        else:
            with concurrent.futures.ThreadPoolExecutor(threads) as pool:
                parts = [datas[i::threads] for i in range(threads)]
                seconds = timed(lambda: list(pool.map(run_all, parts)))
        self.add(name, "memory", slow, seconds)

    def on_disk(self, name, run, slow=False):
        folder, paths = self.fresh_folder(slow)
        self.add(name, "disk", slow, timed(lambda: run(folder, paths)))

    def table(self):
        base = {w: r for n, w, _, r, _ in self.rows if n == "module, 1 thread"}
        lines = ["| way | where | files | files/s | MB/s | module 1 thread is x faster |",
                 "|---|---|---:|---:|---:|---:|"]
        for name, where, files, rate, mbs in self.rows:
            ratio = base.get(where, 0) / rate if rate else 0
            lines.append("| %s | %s | %d | %.1f | %.1f | %s |"
                         % (name, where, files, rate, mbs, "%.1f" % ratio if ratio else "-"))
        return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--slow-count", type=int, default=200)
    parser.add_argument("--smallest", type=int, default=100_000, help="bytes of a real-size photo")
    parser.add_argument("--photos", default=os.path.join(REPO, "..", "shared", "corpus", "real"))
    parser.add_argument("--module-path", default=os.path.join(REPO, "build", "release", "python"))
    parser.add_argument("--folder", default=None, help="where the copies on disk go")
    args = parser.parse_args()
    sys.path.insert(0, args.module_path)
    import velmora

    photos = [(n, d) for n, d in real_photos(args.photos, args.smallest) if _strippable(velmora, d)]
    if not photos:
        sys.exit("no real-size photos in " + args.photos)
    disk = tempfile.mkdtemp(prefix="velmora-pipeline-", dir=args.folder)
    bench = Bench(photos, args.count, args.slow_count, disk)
    print("%d distinct photos, %.1f MB on average; load %s" % (
        len(photos), sum(len(d) for _, d in photos) / len(photos) / 1e6,
        open("/proc/loadavg").read().split()[:3]), file=sys.stderr)
    try:
        run_rows(bench, velmora, args)
    finally:
        shutil.rmtree(disk, ignore_errors=True)
    print(bench.table())


def _strippable(velmora, data):
    try:
        velmora.strip(data)
        return True
    except velmora.Error:
        return False


def run_rows(bench, velmora, args):
    bench.in_memory("module, 1 thread", velmora.strip)
    bench.in_memory("module, 2 threads", velmora.strip, threads=2)
    bench.on_disk("module, 1 thread", lambda _, paths: [velmora.strip_file(p) for p in paths])

    def two_threads(_, paths):
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            list(pool.map(velmora.strip_file, paths, chunksize=16))

    bench.on_disk("module, 2 threads", two_threads)

    try:
        from PIL import Image, ImageFile
        # Some real photos end a few bytes early; a pipeline re-encoding them
        # takes what decodes, as the stripping rows keep every byte.
        ImageFile.LOAD_TRUNCATED_IMAGES = True
    except ImportError:
        Image = None
    if Image is not None:
        def reencode(data):
            out = io.BytesIO()
            with Image.open(io.BytesIO(data)) as image:
                image.save(out, "JPEG", quality=95)
            return out.getvalue()

        def reencode_files(_, paths):
            for path in paths:
                with open(path, "rb") as f:
                    data = reencode(f.read())
                with open(path, "wb") as f:
                    f.write(data)

        bench.in_memory("Pillow re-encode q95", reencode, slow=True)
        bench.on_disk("Pillow re-encode q95", reencode_files, slow=True)

    if shutil.which("exiftool"):
        bench.on_disk("exiftool, one process", lambda folder, _: subprocess.run(
            ["exiftool", "-q", "-q", "-all=", "-overwrite_original", folder], check=False,
            stdout=subprocess.DEVNULL), slow=True)
    if shutil.which("jhead"):
        bench.on_disk("jhead -purejpg, one process", lambda _, paths: subprocess.run(
            ["jhead", "-q", "-purejpg"] + paths, check=False, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))

    script = os.path.join(REPO, "examples", "dask_strip.py")
    environment = dict(os.environ, PYTHONPATH=args.module_path)
    bench.on_disk("Dask example, 2 workers", lambda folder, _: subprocess.run(
        [sys.executable, script, "--workers", "2", folder], env=environment, check=True,
        stdout=subprocess.DEVNULL))


if __name__ == "__main__":
    main()
