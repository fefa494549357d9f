#!/usr/bin/env bash
# Tests the Windows installer under Wine, in a Wine prefix of its own: a
# silent install (/S) as a user, the registry entries for the uninstaller and
# "Open with", the installed exe stripping a photo on the console, and a silent
# uninstall that leaves no file and no registry entry of Velmora behind.
#
#   bash scripts/installer-windows.sh build/windows-release/velmora-<version>-setup.exe
set -euo pipefail

setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=-all
# No desktop entries of Wine's in the real home for the Start-menu entry, and
# no offer of Wine's .NET and HTML engines for the new prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config  # nor folders made in the real home
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY  # no window: the installers run silent, velmora on the console
fail() { echo "installer test: $*" >&2; exit 1; }

wineboot -i >/dev/null 2>&1
localappdata=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")
wineserver -w
# What the fresh prefix holds of Velmora already (nothing, unless Wine names it).
before_files=$(find "$WINEPREFIX/drive_c" -iname '*velmora*' | sort)

wine "$setup" /S
wineserver -w  # the installer's children, if any, are done too
exe=$localappdata/Programs/Velmora/velmora.exe
[ -f "$exe" ] || fail "no $exe"

regvalue() {  # regvalue KEY VALUE: succeeds when HKCU's KEY holds VALUE ("@" the default)
  # Read from the saved registry (the wineserver has ended), where a key's
  # backslashes are doubled; through the environment, which awk takes as it is.
  KEY="[${1//\\/\\\\}] " VALUE="$2" awk '
    /^\[/ { inside = index($0, ENVIRON["KEY"]) == 1 }
    inside && index($0, ENVIRON["VALUE"] == "@" ? "@=" : "\"" ENVIRON["VALUE"] "\"=") == 1 { found = 1 }
    END { exit !found }' "$WINEPREFIX/user.reg"
}
uninstall='Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
regvalue "$uninstall" UninstallString || fail "no uninstaller registered"
regvalue "$uninstall" DisplayVersion || fail "no version registered"
for type in .jpg .jpeg; do
  regvalue "Software\\Classes\\$type\\OpenWithProgids" Velmora.jpeg || fail "$type: no OpenWithProgids entry"
  regvalue 'Software\Classes\Applications\velmora.exe\SupportedTypes' "$type" ||
    fail "$type: not among SupportedTypes"
  # The default program of the type stays whatever it was.
  if regvalue "Software\\Classes\\$type" @; then
    fail "$type: Velmora made the default program"
  fi
done
[ -n "$(find "$WINEPREFIX/drive_c" -iname 'Velmora.lnk')" ] || fail "no Start-menu entry"

# A photo with an Exif block (the fuzz seed carries one flag byte first).
tail -c +2 "$repo/fuzz/corpus/photo-defaults" > "$work/photo.jpg"
grep -q Exif "$work/photo.jpg"
(cd "$work" && wine "$exe" -q --no-backup photo.jpg) || fail "the installed exe ended with status $?"
if grep -q Exif "$work/photo.jpg"; then fail "the photo was not stripped"; fi

wine "$localappdata/Programs/Velmora/uninstall.exe" /S
wineserver -w  # the uninstaller runs from a copy of itself in the temporary folder
after_files=$(find "$WINEPREFIX/drive_c" -iname '*velmora*' | sort)
[ "$after_files" = "$before_files" ] || fail "files left behind: $after_files"
if grep -i velmora "$WINEPREFIX/user.reg"; then fail "registry entries left behind"; fi
echo "installer test: silent install, registry entries, a photo stripped, silent uninstall left nothing"
