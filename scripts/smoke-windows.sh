#!/usr/bin/env bash
# Smoke test of velmora.exe with its window, under Wine on a virtual display:
# it starts, strips the two files named on its command line, writes its
# settings, closes by itself and ends with status 0.
#
#   bash scripts/smoke-windows.sh build/windows-release/src/velmora.exe
set -euo pipefail

exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Two photos with an Exif block (the fuzz seeds carry one flag byte first);
# one of them has a name outside ASCII.
tail -c +2 "$repo/fuzz/corpus/photo-defaults" > "$work/one.jpg"
tail -c +2 "$repo/fuzz/corpus/photo-defaults" > "$work/写真.jpg"
grep -q Exif "$work/one.jpg"

appdata=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')")
settings="$appdata/BRESKO/velmora.ini"
rm -f "$settings"
# The query above (and any earlier Wine test) started a wineserver whose desktop
# process has no display; a window asked of it fails. End it first.
wineserver -k 2>/dev/null || true
wineserver -w

status=0
(cd "$work" && timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" wine "$exe" one.jpg 写真.jpg) ||
  status=$?
fail() { echo "smoke test: $*" >&2; exit 1; }
[ "$status" -eq 0 ] || fail "velmora.exe ended with status $status"
for f in one.jpg 写真.jpg; do
  if grep -q Exif "$work/$f"; then fail "$f was not stripped"; fi
  head -c 2 "$work/$f" | od -An -tx1 | grep -q 'ff d8' || fail "$f is no JPEG any more"
done
[ -f "$settings" ] || fail "no settings file at $settings"
grep -q '^\[CONFIG\]' "$settings" || fail "settings without [CONFIG]"

echo "smoke test: velmora.exe started, stripped two files, wrote $settings, status 0"

# The program's catalogs are inside the exe: with Language=ja in the settings,
# a wrong command line is answered in Japanese, read from the exe itself.
cp "$settings" "$work/settings.ini"
printf '[CONFIG]\r\nWave_Sound=0\r\nLanguage=ja\r\n' > "$settings"
answer=$(cd "$work" && timeout 120 wine "$exe" --frobnicate 2>&1 >/dev/null) && status=0 || status=$?
[ "$status" -eq 2 ] || fail "a wrong command line ended with status $status, not 2"
expected="velmora: 不明なスイッチ --frobnicate (--help を参照)。"
[ "$(printf '%s' "$answer" | tr -d '\r')" = "$expected" ] ||
  fail "with Language=ja the wrong command line read: $answer"
cp "$work/settings.ini" "$settings"
echo "smoke test: the Japanese catalog inside velmora.exe answered a wrong command line"
