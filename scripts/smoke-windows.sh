#!/usr/bin/env bash
# Smoke test of velmora.exe with its window, under Wine on a virtual display:
# it starts, strips the two files named on its command line, writes its
# settings, closes by itself and ends with status 0. Then a file it must not
# write (a PNG named .jpg): its warning box is centred over the window, and
# the window stays open after it so that the log's reason can be read.
# Last, the catalogs inside the exe answer in Japanese.
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

printf '\x89PNG\r\n\x1a\n%s' "not a photo" > "$work/picture.jpg"
cp "$work/picture.jpg" "$work/picture.orig"
cat > "$work/refused.sh" <<'INNER'
# Runs inside the virtual display; prints what it saw, one "key value" a line.
set -u
wine "$1" picture.jpg &
pid=$!
named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
centre() {  # centre <window>: "x y"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}
until_true() {  # until_true <seconds> <command...>: polls the condition
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.2; done
}
box=; window=
until_true 90 eval 'box=$(named "^Warning$"); window=$(named "Velmora$"); [ -n "$box" ] && [ -n "$window" ]' ||
  { echo "box none"; kill $pid; exit; }
echo "box $(centre "$box")"
echo "window $(centre "$window")"
# Keys go where the focus is: on the box, then back on the window.
xdotool key Return
# The batch has ended once the progress has gone from the title.
until_true 60 eval '[ -z "$(named "^Warning$")" ] && [ -n "$(named "^Velmora$")" ]' &&
  kill -0 $pid 2>/dev/null && echo "open after the box"
xdotool key Escape
until_true 60 eval '! kill -0 $pid 2>/dev/null' || kill $pid
wait $pid; echo "status $?"
INNER
wineserver -k 2>/dev/null || true
wineserver -w
seen=$(cd "$work" && timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash "$work/refused.sh" "$exe" 2>/dev/null) || true
read -r _ bx by <<<"$(grep '^box ' <<<"$seen")"
read -r _ wx wy <<<"$(grep '^window ' <<<"$seen" || echo "window -1 -1")"
[ -n "${by:-}" ] || fail "no warning box for a PNG named .jpg: $seen"
near() { [ "$1" -ge $(($2 - 2)) ] && [ "$1" -le $(($2 + 2)) ]; }
if ! near "$bx" "$wx" || ! near "$by" "$wy"; then
  fail "the box is centred at $bx,$by, the window at $wx,$wy"
fi
grep -q '^open after the box$' <<<"$seen" || fail "the window did not stay open: $seen"
grep -q '^status 0$' <<<"$seen" || fail "closing the window ended with: $seen"
cmp -s "$work/picture.jpg" "$work/picture.orig" || fail "the PNG named .jpg was changed"
leftover=$(find "$work" -name '*.tmp')
[ -z "$leftover" ] || fail "temporary files left: $leftover"
echo "smoke test: a PNG named .jpg left untouched, its box centred on the window, which stayed open"

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
