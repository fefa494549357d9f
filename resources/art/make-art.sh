#!/bin/sh
# Draws the window picture and the program icon, and packs the Windows icon.
# Run once after changing the artwork; its outputs are committed, so the build
# never needs ImageMagick. Needs ImageMagick 6 (convert) and python3.
# The drawing is pure vector work, so the same tools give the same pixels; the
# PNG writer is told to leave out time stamps so the files are reproducible.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$here
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

save() { convert "$1" -define png:exclude-chunks=date,time -strip "PNG32:$2"; }

# --- The photo: a small landscape, drawn at 1:1 for a box of w x h. --------
# landscape W H OUT
landscape() {
  w=$1; h=$2
  convert -size "${w}x${h}" gradient:'#5aa9cf-#e6f4f6' \
    -fill '#fff1c9' -draw "circle $((w*70/100)),$((h*30/100)) $((w*70/100+w*14/100)),$((h*30/100))" \
    -fill '#ffbf52' -draw "circle $((w*70/100)),$((h*30/100)) $((w*70/100+w*10/100)),$((h*30/100))" \
    -fill '#6aa5b5' -draw "polygon 0,$((h*64/100)) $((w*20/100)),$((h*44/100)) $((w*36/100)),$((h*57/100)) $((w*55/100)),$((h*37/100)) $((w*80/100)),$((h*62/100)) $w,$((h*50/100)) $w,$h 0,$h" \
    -fill '#eef6f7' -draw "polygon $((w*55/100)),$((h*37/100)) $((w*61/100)),$((h*45/100)) $((w*57/100)),$((h*44/100)) $((w*54/100)),$((h*47/100)) $((w*50/100)),$((h*44/100))" \
    -fill '#2d6776' -draw "polygon 0,$((h*78/100)) $((w*26/100)),$((h*60/100)) $((w*48/100)),$((h*74/100)) $((w*68/100)),$((h*63/100)) $w,$((h*82/100)) $w,$h 0,$h" \
    -fill '#1d4853' -draw "rectangle 0,$((h*89/100)) $w,$h" \
    "$3"
}

# Rounded corners for a flat picture: ROUND IN RADIUS OUT
round() {
  w=$(identify -format %w "$1"); h=$(identify -format %h "$1")
  convert "$1" -alpha set \( -size "${w}x${h}" xc:none -fill white \
    -draw "roundrectangle 0,0 $((w-1)),$((h-1)) $2,$2" \) -compose DstIn -composite "$3"
}

# The eraser lying flat, tip on the left: ERASER L H OUT
eraser() {
  l=$1; h=$2; t=$((l*38/100)); r=$((h*18/100))
  convert -size "${l}x${h}" xc:none \
    -fill '#ee6b67' -draw "roundrectangle 0,0 $((l-1)),$((h-1)) $r,$r" \
    -fill '#f48e89' -draw "roundrectangle $((h*8/100)),$((h*10/100)) $((t-h*6/100)),$((h*28/100)) $((h*9/100)),$((h*9/100))" \
    -fill '#2f4e73' -draw "rectangle $t,0 $((l-r)),$((h-1))" \
    -fill '#2f4e73' -draw "roundrectangle $((l-3*r)),0 $((l-1)),$((h-1)) $r,$r" \
    -fill '#46699a' -draw "rectangle $t,$((h*12/100)) $((l-h*12/100)),$((h*30/100))" \
    -fill '#243d5c' -draw "rectangle $t,0 $((t+h*9/100)),$((h-1))" \
    "$3"
}

# --- Image1: 1020 x 1280, a print whose caption lines are being rubbed out.
W=1020; H=1280
landscape 700 640 "$tmp/photo.png"
round "$tmp/photo.png" 10 "$tmp/photo_r.png"
convert -size ${W}x${H} xc:none \
  -fill '#fcfbf7' -stroke '#e2ded4' -strokewidth 4 -draw "roundrectangle 110,70 910,1090 30,30" \
  -stroke none \
  "$tmp/photo_r.png" -geometry +160+120 -composite \
  -fill '#cfc9bc' \
  -draw "roundrectangle 170,830 560,862 16,16" \
  -draw "roundrectangle 170,902 500,934 16,16" \
  -draw "roundrectangle 170,974 440,1006 16,16" \
  -fill '#e9e4da' \
  -draw "roundrectangle 575,830 640,862 16,16" \
  -draw "roundrectangle 515,902 560,934 16,16" \
  "$tmp/card.png"
convert "$tmp/card.png" -virtual-pixel transparent -distort SRT -3 "$tmp/card_rot.png"
convert "$tmp/card_rot.png" -alpha extract -background black -alpha shape \
  -channel A -evaluate multiply 0.30 +channel -blur 0x18 "$tmp/shadow.png"
eraser 460 190 "$tmp/eraser.png"
convert "$tmp/eraser.png" -background none -rotate 36 "$tmp/eraser_rot.png"
convert "$tmp/eraser_rot.png" -alpha extract -background black -alpha shape \
  -channel A -evaluate multiply 0.28 +channel -blur 0x12 "$tmp/eraser_shadow.png"
convert -size ${W}x${H} xc:none \
  "$tmp/shadow.png" -geometry +8+22 -composite \
  "$tmp/card_rot.png" -geometry +0+0 -composite \
  -fill '#e7b4ae' \
  -draw "roundrectangle 596,1040 620,1052 6,6" \
  -draw "roundrectangle 560,1066 578,1076 5,5" \
  -draw "roundrectangle 628,1074 648,1084 5,5" \
  "$tmp/eraser_shadow.png" -geometry +606+860 -composite \
  "$tmp/eraser_rot.png" -geometry +590+832 -composite \
  "$tmp/picture.png"
save "$tmp/picture.png" "$out/picture.png"

# --- Icon: the same motif on a square, drawn at 1024 and reduced. ----------
landscape 704 560 "$tmp/iphoto.png"
round "$tmp/iphoto.png" 18 "$tmp/iphoto_r.png"
eraser 470 200 "$tmp/ieraser.png"
convert "$tmp/ieraser.png" -background none -rotate 45 "$tmp/ieraser_rot.png"
convert -size 1024x1024 xc:none \
  -fill '#00000040' -draw "roundrectangle 92,132 936,960 70,70" -blur 0x20 \
  -fill '#fcfbf7' -stroke '#d9d4c8' -strokewidth 10 -draw "roundrectangle 80,96 944,928 64,64" \
  -stroke none \
  "$tmp/iphoto_r.png" -geometry +160+176 -composite \
  -fill '#cfc9bc' -draw "roundrectangle 160,792 560,840 24,24" \
  "$tmp/ieraser_rot.png" -geometry +560+560 -composite \
  "$tmp/icon1024.png"
for s in 256 128 64 48 32; do
  convert "$tmp/icon1024.png" -filter Lanczos -resize ${s}x${s} "$tmp/icon$s.png"
  save "$tmp/icon$s.png" "$out/icon-$s.png"
done
# 16 px: the landscape and the eraser only, with no frame detail to blur away.
landscape 56 44 "$tmp/sphoto.png"
eraser 34 16 "$tmp/seraser.png"
convert "$tmp/seraser.png" -background none -rotate 45 "$tmp/seraser_rot.png"
convert -size 64x64 xc:none \
  -fill '#fcfbf7' -stroke '#bdb6a8' -strokewidth 2 -draw "roundrectangle 2,4 61,58 6,6" -stroke none \
  "$tmp/sphoto.png" -geometry +4+8 -composite \
  "$tmp/seraser_rot.png" -geometry +32+32 -composite \
  -filter Lanczos -resize 16x16 "$tmp/icon16.png"
save "$tmp/icon16.png" "$out/icon-16.png"

# --- The Windows icon: 16, 32, 48 as 32-bit bitmaps, 256 as the PNG itself.
for s in 16 32 48; do convert "$out/icon-$s.png" -depth 8 "rgba:$tmp/icon$s.rgba"; done
python3 - "$tmp" "$out" "$here/../windows/velmora.ico" <<'PY'
import struct, sys
tmp, out, ico = sys.argv[1:4]
entries = []
for s in (16, 32, 48):
    rgba = open(f"{tmp}/icon{s}.rgba", "rb").read()
    rows = [rgba[y * s * 4:(y + 1) * s * 4] for y in range(s)]
    xor = b"".join(bytes(b for i in range(0, len(r), 4) for b in (r[i + 2], r[i + 1], r[i], r[i + 3]))
                   for r in reversed(rows))
    and_row = ((s + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, len(xor) + and_row * s, 0, 0, 0, 0)
    entries.append((s, header + xor + bytes(and_row * s)))
entries.append((256, open(f"{out}/icon-256.png", "rb").read()))
offset = 6 + 16 * len(entries)
directory, data = b"", b""
for s, blob in entries:
    directory += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(blob), offset + len(data))
    data += blob
open(ico, "wb").write(struct.pack("<HHH", 0, 1, len(entries)) + directory + data)
PY
