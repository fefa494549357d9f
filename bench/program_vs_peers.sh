#!/usr/bin/env bash
# The whole program against cp and three metadata strippers run as black boxes
# (jhead -purejpg, exiv2 rm, exiftool -all=), all on the same fresh copies on
# tmpfs, timed with hyperfine. Prints one table of medians with the ratios to
# cp and to jhead:
#   - one process for the batch, on three corpora: real (the photos beside the
#     clone, when present, and about 250 phone-like files made here: large
#     scans, HDR gain maps, motion photos, long headers, damaged files), 2000
#     small photos and 3 camera-size photos (both made here);
#   - one process per file, on the small photos;
#   - start-up: one process on one small photo that has nothing to strip;
#   - peak memory (maximum resident set) on a 100 MB and a 1 GB photo;
#   - what the flushes cost: the batches again with the program's flushes
#     turned into no-ops (eatmydata), on tmpfs;
#   - on a disk folder ($VELMORA_BENCH_DISK, /var/tmp by default), each batch
#     from a fresh copy flushed before the run: velmora, cp -r then sync,
#     jhead, jhead then sync (the same durability), and the floor of a
#     crash-safe replace with the flushes of a group of files shared
#     (replace_floor grouped), with ratios to cp -r then sync;
#   - the floor under the program: the batches run by a bare crash-safe
#     replace (bench/replace_floor.cpp) with more of the save's work at each
#     level, and nothing of the program's own.
#
#   bash bench/program_vs_peers.sh [--install] [program] [photo folder]
#
# The program's settings play no chime, except in the start-up row that names
# it. RUNS sets hyperfine's runs (default 5).
#
# The made-up photos are seeded, so every run times the same bytes. Their
# scans look like entropy-coded data: random bytes, each 0xFF stuffed with
# 0x00 (one about every 256 bytes, as in real photos), and restart markers
# every 700 to 7000 bytes in most of them.
set -euo pipefail

if [ "${1:-}" = --install ]; then
  shift
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -q \
    --no-install-recommends hyperfine jhead exiv2 libimage-exiftool-perl eatmydata time python3
fi

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$(realpath "${1:-$repo/build/release/src/velmora}")
photos=${2:-$repo/../shared/corpus/real}
runs=${RUNS:-5}
tmpfs=/dev/shm
[ -d "$tmpfs" ] && [ -w "$tmpfs" ] || { echo "needs a writable tmpfs at $tmpfs" >&2; exit 1; }
work=$(mktemp -d "$tmpfs/velmora-bench.XXXXXX")
disk_root=${VELMORA_BENCH_DISK:-/var/tmp}
disk=$(mktemp -d "$disk_root/velmora-bench-disk.XXXXXX")
trap 'rm -rf "$work" "$disk"' EXIT
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

mkdir -p "$work/config/BRESKO" "$work/run" "$work/corpus" "$work/json"
chmod 700 "$work/run"
printf '[CONFIG]\nWave_Sound=0\n' > "$work/config/BRESKO/velmora.ini"

# --- corpora -------------------------------------------------------------------
is_jpeg() { [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = ffd8 ]; }
if [ -d "$photos" ]; then
  mkdir -p "$work/corpus/real"
  for f in "$photos"/*; do
    # One extension for all (.jpeg, .mpo): the batches name *.jpg.
    [ -f "$f" ] && is_jpeg "$f" && cp "$f" "$work/corpus/real/$(basename "${f%.*}").jpg"
  done
  chmod -R u+w "$work/corpus/real"  # read-only files are refused, which is not what is timed
fi
python3 - "$work/corpus/real" <<'PY'
# The wide real-photo set: the photos beside the clone plus phone-like files
# made here (seeded), in the proportions of a user's photo folder.
import os, random, sys
out = sys.argv[1]
rng = random.Random(24)
os.makedirs(out, exist_ok=True)

def segment(marker, body):
    assert len(body) + 2 <= 0xFFFF
    return bytes([0xFF, marker]) + (len(body) + 2).to_bytes(2, "big") + body

def scan(size, restart):
    # Entropy-coded data looks random: an 0xFF about every 256 bytes, each
    # stuffed with 0x00, and a restart marker every `restart` bytes (0: none).
    data = rng.randbytes(size).replace(b"\xff", b"\xff\x00")[:size]
    if data.endswith(b"\xff"):
        data = data[:-1] + b"\x00"
    if not restart:
        return data
    parts = []
    for n, at in enumerate(range(0, len(data), restart)):
        piece = data[at:at + restart]
        if piece.endswith(b"\xff"):
            piece += b"\x00"
        parts.append(piece + bytes([0xFF, 0xD0 + n % 8]))
    return b"".join(parts)[:-2]

def tiff_ifd(entries):  # little-endian TIFF, one directory at offset 8
    body = b"II*\0" + (8).to_bytes(4, "little") + len(entries).to_bytes(2, "little")
    for tag, kind, count, value in entries:
        body += (tag.to_bytes(2, "little") + kind.to_bytes(2, "little")
                 + count.to_bytes(4, "little") + value)
    return body + b"\0\0\0\0"

def exif(filler):
    ifd = tiff_ifd([(0x0112, 3, 1, (1).to_bytes(2, "little") + b"\0\0")])
    return segment(0xE1, b"Exif\0\0" + ifd + rng.randbytes(filler))

def xmp(size):
    text = b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF/>' + b" " * size + b"</x:xmpmeta>"
    return segment(0xE1, b"http://ns.adobe.com/xap/1.0/\0" + text)

def icc(size):  # split over APP2 segments as writers do
    profile = rng.randbytes(size)
    step = 65519 - 14
    parts = [profile[i:i + step] for i in range(0, size, step)]
    return b"".join(segment(0xE2, b"ICC_PROFILE\0" + bytes([n + 1, len(parts)]) + p)
                    for n, p in enumerate(parts))

def mpf(primary_size, second_size):
    entries = (b"\x02\x00\x03\x20" + primary_size.to_bytes(4, "little") + b"\0" * 8
               + b"\0\0\0\0" + second_size.to_bytes(4, "little")
               + primary_size.to_bytes(4, "little") + b"\0\0\0\0")
    ifd = tiff_ifd([(0xB000, 7, 4, b"0100"), (0xB001, 4, 1, (2).to_bytes(4, "little")),
                    (0xB002, 7, 32, (50).to_bytes(4, "little"))])
    return segment(0xE2, b"MPF\0" + ifd + entries)

def image(width, height, scan_bytes, restart, headers=b""):
    dqt = segment(0xDB, b"\0" + bytes(range(1, 65)) + b"\1" + bytes(range(2, 66)))
    sof = segment(0xC0, b"\x08" + height.to_bytes(2, "big") + width.to_bytes(2, "big")
                  + b"\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01")
    dht = segment(0xC4, b"\x00" + bytes([0, 1, 5, 1, 1, 1, 1, 1, 1] + [0] * 7) + bytes(range(12)))
    dri = segment(0xDD, (max(1, restart // 64)).to_bytes(2, "big")) if restart else b""
    sos = segment(0xDA, b"\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00")
    return (b"\xff\xd8" + headers + dqt + sof + dht + dri + sos
            + scan(scan_bytes, restart) + b"\xff\xd9")

def phone_headers(exif_bytes=9000, xmp_bytes=2000, icc_bytes=560):
    return segment(0xE0, b"JFIF\0\1\1\0\0\1\0\1\0\0") + exif(exif_bytes) + xmp(xmp_bytes) + icc(icc_bytes)

restarts = (0, 0, 700, 3000, 7000)
files = []
def add(name, data):
    files.append(name)
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)

MB = 1 << 20
# Large scans from cameras and scanners.
for n, size in enumerate((8 * MB, 11 * MB, 14 * MB)):
    add(f"scan{n}.jpg", image(6000, 4000, size, restarts[n + 2], phone_headers()))
# Motion photos: a still, then a video of several MB after its end of image.
for n in range(5):
    still = image(4032, 3024, rng.randrange(600 << 10, 1200 << 10), rng.choice(restarts),
                  phone_headers(xmp_bytes=6000))
    video = (b"\0\0\0\x18ftypmp42\0\0\0\0mp42isom"
             + (rng.randrange(2 * MB, 4 * MB)).to_bytes(4, "big") + b"mdat"
             + rng.randbytes(rng.randrange(3 * MB // 2, 3 * MB)))
    add(f"motion{n}.jpg", still + video)
# HDR photos: a gain map, a second smaller image, after the primary's end.
for n in range(30):
    gain = image(1008, 756, rng.randrange(40 << 10, 90 << 10), 0, xmp(1500))
    primary_scan = rng.randrange(250 << 10, 500 << 10)
    primary = image(4032, 3024, primary_scan, rng.choice(restarts),
                    phone_headers() + mpf(primary_scan + 40000, len(gain)))
    add(f"hdr{n:02}.jpg", primary + gain)
# Large headers: long Exif (maker notes, a thumbnail), XMP edits, big ICC.
for n in range(20):
    headers = (phone_headers(exif_bytes=rng.randrange(30000, 64000), xmp_bytes=rng.randrange(8000, 60000),
                             icc_bytes=rng.randrange(60000, 600000)))
    add(f"header{n:02}.jpg", image(3000, 2000, rng.randrange(100 << 10, 300 << 10),
                                   rng.choice(restarts), headers))
# Everyday phone and web pictures.
for n in range(180):
    add(f"phone{n:03}.jpg", image(1600, 1200, rng.randrange(20 << 10, 80 << 10),
                                  rng.choice(restarts), phone_headers(exif_bytes=rng.randrange(2000, 12000))))
# Damaged: scans cut short (no end of image), one with junk after its end.
for n in range(8):
    whole = image(4032, 3024, rng.randrange(500 << 10, 1000 << 10), rng.choice(restarts), phone_headers())
    add(f"damaged{n}.jpg", whole[: len(whole) * rng.randrange(60, 95) // 100])
PY
python3 - "$work/corpus" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(5)

def photo(scan_bytes, exif_bytes=4000):  # exif_bytes None: nothing to strip
    app1 = b""
    if exif_bytes is not None:
        # A well-formed TIFF header with an empty directory, then filler: the
        # other tools refuse a malformed Exif and then write nothing at all.
        tiff = b"II*\0" + (8).to_bytes(4, "little") + b"\0\0" + b"\0\0\0\0"
        exif = b"Exif\0\0" + tiff + bytes(rng.getrandbits(8) for _ in range(exif_bytes))
        app1 = b"\xff\xe1" + (len(exif) + 2).to_bytes(2, "big") + exif
    dqt = b"\xff\xdb\x00\x43\x00" + bytes(range(1, 65))
    sof = b"\xff\xc0\x00\x0b\x08\x00\x10\x00\x10\x01\x01\x11\x00"
    sos = b"\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00"
    block = bytes(rng.getrandbits(8) % 255 for _ in range(1 << 16))  # no 0xFF
    scan = (block * (scan_bytes // len(block) + 1))[:scan_bytes]
    return b"\xff\xd8" + app1 + dqt + sof + sos + scan + b"\xff\xd9"

def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)

small = photo(6000)
for i in range(2000):
    write(os.path.join(root, "small"), f"s{i:04}.jpg", small)
for i in range(3):
    write(os.path.join(root, "camera"), f"c{i}.jpg", photo(22 << 20))
write(os.path.join(root, "..", "one"), "one.jpg", photo(6000, exif_bytes=None))
write(os.path.join(root, "..", "huge"), "h100.jpg", photo(100 << 20))
write(os.path.join(root, "..", "huge"), "h1000.jpg", photo(1000 << 20))
PY

# --- tools ---------------------------------------------------------------------
# Each tool works in place on the files named; cp writes a copy beside each.
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run  # the program's settings and guard
declare -A run=(
  [jhead]="jhead -q -purejpg"
  [exiv2]="exiv2 rm"
  [exiftool]="exiftool -q -q -overwrite_original -all="
  [velmora]="$program"
)
tools=(cp)
for t in jhead exiv2 exiftool; do  # a peer not installed leaves its column empty
  if command -v "${run[$t]%% *}" >/dev/null; then tools+=("$t"); else echo "not installed: $t" >&2; fi
done
tools+=(velmora)
# <tool> on one file, as one command line.
one() { if [ "$1" = cp ]; then echo "cp $2 $2.copy"; else echo "${run[$1]} $2"; fi; }

# time_it <name> <folder> <shell command>: the command run in a fresh copy of
# <folder> ($work/t); hyperfine's results go to $work/json/<name>.json.
time_it() {
  hyperfine -N -i --style none --runs "$runs" --warmup 1 \
    --prepare "sh -c 'rm -rf $work/t $work/t-copy && cp -r $2 $work/t'" \
    --export-json "$work/json/$1.json" "sh -c 'cd $work/t && $3'" >/dev/null
}

# The floor: built here, with the compiler that builds the program.
floor=$work/replace_floor
c++ -O2 -std=c++20 -Wl,--as-needed -o "$floor" "$repo/bench/replace_floor.cpp"
levels=(plain checked search ahead)

for corpus in real small camera; do
  [ -d "$work/corpus/$corpus" ] || continue
  for level in "${levels[@]}"; do
    time_it "floor-$corpus-$level" "$work/corpus/$corpus" "$floor $level *.jpg"
  done
  for t in "${tools[@]}"; do
    if [ "$t" = cp ]; then
      time_it "batch-$corpus-$t" "$work/corpus/$corpus" "cp -r . $work/t-copy"
    else
      time_it "batch-$corpus-$t" "$work/corpus/$corpus" "${run[$t]} *.jpg >/dev/null 2>&1"
    fi
  done
done
# The same batches with the program's flushes made no-ops: what flushing costs.
if command -v eatmydata >/dev/null; then
  for corpus in real small camera; do
    [ -d "$work/corpus/$corpus" ] || continue
    time_it "noflush-$corpus" "$work/corpus/$corpus" "eatmydata $program *.jpg >/dev/null 2>&1"
  done
fi
for t in cp jhead velmora; do
  time_it "each-small-$t" "$work/corpus/small" \
    "for f in *.jpg; do $(one "$t" '$f') >/dev/null 2>&1; done"
done
# Start-up: the tool run directly (no shell) on one small photo without metadata.
for t in "${tools[@]}"; do
  hyperfine -N -i --style none --runs $((runs * 5)) --warmup 3 \
    --prepare "sh -c 'rm -rf $work/t && cp -r $work/one $work/t'" \
    --export-json "$work/json/start-$t.json" "$(one "$t" "$work/t/one.jpg")" >/dev/null 2>&1
done
# The same with the default chime and no audio output (no sound server, no
# sound card here): the run ends with a chime that finds nowhere to play.
mkdir -p "$work/config-chime/BRESKO"
printf '[CONFIG]\nWave_Sound=16\n' > "$work/config-chime/BRESKO/velmora.ini"
XDG_CONFIG_HOME=$work/config-chime hyperfine -N -i --style none --runs $((runs * 5)) --warmup 3 \
  --prepare "sh -c 'rm -rf $work/t && cp -r $work/one $work/t'" \
  --export-json "$work/json/start-chime-velmora.json" "$program $work/t/one.jpg" >/dev/null 2>&1

# Peak memory: maximum resident set of one run on a fresh copy.
for size in 100 1000; do
  for t in "${tools[@]}"; do
    rm -rf "$work/t" && cp -r "$work/huge" "$work/t"
    # shellcheck disable=SC2046
    /usr/bin/time -f %M -o "$work/json/mem-$size-$t.txt" $(one "$t" "$work/t/h$size.jpg") \
      >/dev/null 2>&1 || true
  done
done
rm -rf "$work/t"

# On the disk: each batch from a fresh copy, flushed before the run, so that
# nothing of the copy is left to write back while a tool runs.
for corpus in real small camera; do
  [ -d "$work/corpus/$corpus" ] || continue
  for variant in velmora cp-sync jhead jhead-sync floor-grouped; do
    case $variant in
      velmora) cmd="$program *.jpg >/dev/null 2>&1" ;;
      floor-grouped) cmd="$floor grouped *.jpg" ;;
      cp-sync) cmd="cp -r . $disk/t-copy && sync" ;;
      jhead) cmd="${run[jhead]} *.jpg >/dev/null 2>&1" ;;
      jhead-sync) cmd="${run[jhead]} *.jpg >/dev/null 2>&1; sync" ;;
    esac
    hyperfine -N -i --style none --runs "$runs" --warmup 1 \
      --prepare "sh -c 'rm -rf $disk/t $disk/t-copy && cp -r $work/corpus/$corpus $disk/t && sync'" \
      --export-json "$work/json/disk-$corpus-$variant.json" "sh -c 'cd $disk/t && $cmd'" >/dev/null
  done
done

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
python3 - "$work" "$disk_root" "$(df --output=fstype "$disk_root" | tail -n 1)" <<'PY'
import json, os, sys
work, disk_root, disk_type = sys.argv[1], sys.argv[2], sys.argv[3]
tools = ["cp", "jhead", "exiv2", "exiftool", "velmora"]

def median(name):
    path = os.path.join(work, "json", name + ".json")
    if not os.path.exists(path):
        return None
    return json.load(open(path))["results"][0]["median"]

def peak(name):
    path = os.path.join(work, "json", name + ".txt")
    try:
        return int(open(path).read().split()[-1]) / 1024
    except (OSError, ValueError, IndexError):
        return None

def corpus_note(corpus):
    folder = os.path.join(work, "corpus", corpus)
    names = os.listdir(folder)
    size = sum(os.path.getsize(os.path.join(folder, n)) for n in names)
    return f"{len(names)} files, {size / 1e6:.0f} MB"

def row(label, values, unit, scale, shown=tools):
    cells = []
    for t in tools:
        v = values.get(t)
        if v is None or t not in shown:
            cells.append("")
            continue
        cell = f"{v * scale:.1f} {unit}"
        ratios = []
        for base in ("cp", "jhead"):
            b = values.get(base)
            if b and t != base:
                ratios.append(f"{v / b:.2f}x {base}")
        if ratios:
            cell += " (" + ", ".join(ratios) + ")"
        cells.append(cell)
    print(f"| {label} | " + " | ".join(cells) + " |")

print("| median | " + " | ".join(tools) + " |")
print("|---|" + "---|" * len(tools))
for corpus in ("real", "small", "camera"):
    if os.path.isdir(os.path.join(work, "corpus", corpus)):
        row(f"batch, {corpus} ({corpus_note(corpus)})",
            {t: median(f"batch-{corpus}-{t}") for t in tools}, "ms", 1000)
row("one process per file, small", {t: median(f"each-small-{t}") for t in tools}, "ms", 1000)
row("start-up (one small file, nothing to strip)", {t: median(f"start-{t}") for t in tools}, "ms", 1000)
row("start-up, default chime, no audio output",
    {"cp": median("start-cp"), "jhead": median("start-jhead"),
     "velmora": median("start-chime-velmora")}, "ms", 1000, shown=["velmora"])
for size in (100, 1000):
    row(f"peak memory, {size} MB file", {t: peak(f"mem-{size}-{t}") for t in tools}, "MB", 1)
print()
print("The floor on tmpfs: a bare crash-safe replace per file (bench/replace_floor.cpp),")
print("one process for the batch, each level adding to the one before; ratio to cp:")
print()
levels = [("plain", "read, write beside, flush, rename, flush folder"),
          ("checked", "+ the save's checks"),
          ("search", "+ end-of-image search, then the write"),
          ("ahead", "+ the search after each chunk is written")]
print("| batch | " + " | ".join(label for _, label in levels) + " | velmora | velmora / checked |")
print("|---|" + "---|" * (len(levels) + 2))
for corpus in ("real", "small", "camera"):
    c = median(f"batch-{corpus}-cp")
    if not c:
        continue
    cells = [median(f"floor-{corpus}-{level}") for level, _ in levels]
    cells.append(median(f"batch-{corpus}-velmora"))
    checked, program = median(f"floor-{corpus}-checked"), cells[-1]
    to_checked = f"{program / checked:.2f}x" if checked and program else ""
    print(f"| {corpus} | " + " | ".join(
        "" if v is None else f"{v * 1000:.1f} ms ({v / c:.2f}x)" for v in cells)
        + f" | {to_checked} |")
print()
print("On tmpfs, velmora with its flushes skipped (eatmydata), one process for the batch:")
for corpus in ("real", "small", "camera"):
    m, c = median(f"noflush-{corpus}"), median(f"batch-{corpus}-cp")
    if m is not None and c:
        print(f"- {corpus}: {m * 1000:.1f} ms ({m / c:.2f}x cp)")
print()
print(f"On the disk ({disk_root}, {disk_type}), one process for the batch, each from a")
print("fresh copy flushed before the run; ratio to cp -r then sync:")
print()
variants = [("velmora", "velmora"), ("cp-sync", "cp -r + sync"),
            ("jhead", "jhead"), ("jhead-sync", "jhead + sync"),
            ("floor-grouped", "floor: grouped replace")]
print("| batch | " + " | ".join(label for _, label in variants) + " |")
print("|---|" + "---|" * len(variants))
for corpus in ("real", "small", "camera"):
    base = median(f"disk-{corpus}-cp-sync")
    if base is None:
        continue
    cells = []
    for variant, _ in variants:
        m = median(f"disk-{corpus}-{variant}")
        cells.append("" if m is None else f"{m * 1000:.1f} ms ({m / base:.2f}x)")
    print(f"| {corpus} | " + " | ".join(cells) + " |")
PY
