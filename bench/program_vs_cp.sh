#!/usr/bin/env bash
# Strips copies of a photo corpus with the built program (no display) and, in
# the same run, copies the same corpus with cp; prints the time ratios.
#
#   bash bench/program_vs_cp.sh [build/release/src/velmora] [photo folder]
#
# Two corpora: many small photos (the folder's photos under 1 MB, repeated up
# to about 2000 files) and a few large ones (synthetic 40 MB JPEGs plus the
# folder's photos over 1 MB). Every save of the program is flushed to stable
# storage; "cp + sync" flushes the copies once at the end, for comparison.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$(realpath "${1:-$repo/build/release/src/velmora}")
photos=$(realpath "${2:-$repo/../shared/corpus/real}")
rounds=${ROUNDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/small" "$work/large" "$work/config/BRESKO" "$work/run"
chmod 700 "$work/run"
printf '[CONFIG]\nWave_Sound=0\n' > "$work/config/BRESKO/velmora.ini"

# Only JPEG files: the others are refused with a warning, which is not what is timed here.
is_jpeg() { [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = ffd8 ]; }

n=0
while [ "$n" -lt 2000 ]; do
  for f in "$photos"/*.jpg "$photos"/*.jpeg; do
    [ -f "$f" ] && [ "$(stat -c %s "$f")" -lt 1000000 ] && is_jpeg "$f" || continue
    cp "$f" "$work/small/$n.jpg"; n=$((n + 1))
  done
  [ "$n" -gt 0 ] || { echo "no small photos in $photos" >&2; exit 1; }
done
for f in "$photos"/*.jpg "$photos"/*.jpeg; do
  [ -f "$f" ] && [ "$(stat -c %s "$f")" -ge 1000000 ] && is_jpeg "$f" && cp "$f" "$work/large/"
done
python3 - "$work/large" <<'PY'
import os, random, sys
random.seed(5)
for i in range(3):
    body = bytes(random.getrandbits(8) % 255 for _ in range(1 << 16)) * 640  # 40 MiB, no 0xFF
    head = b"\xff\xd8\xff\xe1\x00\x10Exif\x00\x00secretGPS\xff\xdb\x00\x04\x00\x01" \
           b"\xff\xc0\x00\x05\x08\x00\x01\xff\xda\x00\x03\x01"
    with open(os.path.join(sys.argv[1], f"big{i}.jpg"), "wb") as f:
        f.write(head + body + b"\xff\xd9" + b"trailing data" * 1000)
PY
chmod -R u+w "$work/small" "$work/large"  # the corpus may be read-only; read-only files are refused

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }

strip_all() {  # strip_all <folder>
  (cd "$1" && find . -maxdepth 1 -name '*.jpg' -print0 |
     env -i HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" PATH=/usr/bin:/bin \
       xargs -0 "$program" >/dev/null 2>"$work/errors") || { cat "$work/errors" >&2; return 1; }
}

for corpus in small large; do
  files=$(find "$work/$corpus" -name '*.jpg' | wc -l)
  bytes=$(du -sb "$work/$corpus" | cut -f1)
  best_strip=999999; best_cp=999999; best_cpsync=999999
  for _ in $(seq "$rounds"); do
    rm -rf "$work/a" "$work/b" "$work/c"
    cp -r "$work/$corpus" "$work/a"; sync
    t=$(seconds strip_all "$work/a")
    best_strip=$(echo "if ($t < $best_strip) $t else $best_strip" | bc)
    sync
    t=$(seconds cp -r "$work/$corpus" "$work/b")
    best_cp=$(echo "if ($t < $best_cp) $t else $best_cp" | bc)
    t=$(seconds sh -c "cp -r '$work/$corpus' '$work/c' && sync")
    best_cpsync=$(echo "if ($t < $best_cpsync) $t else $best_cpsync" | bc)
  done
  printf '%-5s %5d files %6.1f MB  strip %7.3f s  cp %7.3f s  cp+sync %7.3f s  strip/cp %5.2f  strip/(cp+sync) %5.2f\n' \
    "$corpus" "$files" "$(echo "$bytes / 1000000" | bc -l)" "$best_strip" "$best_cp" "$best_cpsync" \
    "$(echo "$best_strip / $best_cp" | bc -l)" "$(echo "$best_strip / $best_cpsync" | bc -l)"
done
