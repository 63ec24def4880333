#!/usr/bin/env bash
# The optimizers the zip carries, each run under Wine on a small file made here: every one starts
# alone (no DLL of ours beside it), writes a valid file, and the lossless ones keep the image: the
# same pixels, every frame. jpegtran and gifsicle must also not grow their file.
#   windows_tools_run.sh TOOLS_FOLDER WORK_FOLDER
set -u
tools=$1 work=$2
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
failures=0

rm -rf "$work"
mkdir -p "$work" || exit 1
cd "$work" || exit 1
winpath() { winepath -w "$1" 2>/dev/null; }
run() { # TOOL ARGS...: the tool under Wine, its output kept in TOOL.log
  local tool=$1
  shift
  wine "$tools/$tool.exe" "$@" >"$work/$tool.log" 2>&1
}

# Pixels of every frame as drawn (coalesced), as one hash: equal hashes, equal images.
pixels() { convert "$1" -coalesce -depth 16 rgba:- | sha256sum | cut -c1-64; }
same_image() { # NAME IN OUT
  identify "$3" >/dev/null 2>&1 || {
    fail "$1: $3 is not a valid image"
    return
  }
  [ "$(pixels "$2")" = "$(pixels "$3")" ] || fail "$1: the image changed"
  # compare looks at the first frame as stored, which frame optimisation rightly changes.
  [ "$(identify "$2" | wc -l)" -eq 1 ] || return
  local differing
  differing=$(compare -metric AE "$2" "$3" null: 2>&1)
  [ "$differing" = 0 ] || fail "$1: compare finds $differing pixels that differ"
}
size() { stat -c %s "$1" 2>/dev/null || echo missing; }

# Static means no DLL but the system's: a libstdc++ or libgcc one would be missing on a user's
# machine (Wine's own search path can hide that).
for exe in "$tools"/*.exe; do
  extra=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' |
    grep -v -i -x -E 'kernel32.dll|msvcrt.dll|advapi32.dll|user32.dll|shell32.dll|ws2_32.dll|bcrypt.dll|crypt32.dll')
  [ -z "$extra" ] || fail "$(basename "$exe") needs $(echo $extra)"
done

# A photo-like PNG with an alpha channel and a plain one with few colours.
convert -seed 7 -size 96x64 plasma:red-blue -alpha set -channel A -evaluate set 80% \
  +channel photo.png
convert -size 64x64 xc:white -fill black -draw 'circle 32,32 32,10' -depth 8 chart.png
convert -seed 3 -size 128x96 plasma:green-yellow -quality 92 photo.jpg
convert -size 48x48 xc:white -fill red -draw 'rectangle 4,4 20,20' \
  \( -clone 0 -fill blue -draw 'rectangle 24,24 40,40' \) -set delay 10 -loop 0 anim.gif

for png in photo chart; do
  run pngcrush -q "$(winpath $png.png)" "$(winpath $png-crushed.png)" ||
    fail "pngcrush on $png.png: $(cat pngcrush.log)"
  same_image "pngcrush $png" $png.png $png-crushed.png

  cp $png.png $png-opti.png
  run optipng -quiet -o2 "$(winpath $png-opti.png)" || fail "optipng on $png.png: $(cat optipng.log)"
  same_image "optipng $png" $png.png $png-opti.png

  run zopflipng -y --iterations=3 "$(winpath $png.png)" "$(winpath $png-zopfli.png)" ||
    fail "zopflipng on $png.png: $(cat zopflipng.log)"
  same_image "zopflipng $png" $png.png $png-zopfli.png
done
[ "$(size chart-opti.png)" -lt "$(size chart.png)" ] || fail "optipng did not shrink chart.png"

run jpegtran -copy none -optimize -outfile "$(winpath photo-opt.jpg)" "$(winpath photo.jpg)" ||
  fail "jpegtran: $(cat jpegtran.log)"
same_image jpegtran photo.jpg photo-opt.jpg
[ "$(size photo-opt.jpg)" -le "$(size photo.jpg)" ] 2>/dev/null || fail "jpegtran made photo.jpg larger"

run gifsicle -O3 "$(winpath anim.gif)" -o "$(winpath anim-opt.gif)" || fail "gifsicle: $(cat gifsicle.log)"
[ "$(identify anim-opt.gif 2>/dev/null | wc -l)" -eq 2 ] || fail "gifsicle: not two frames"
same_image gifsicle anim.gif anim-opt.gif
[ "$(size anim-opt.gif)" -le "$(size anim.gif)" ] 2>/dev/null || fail "gifsicle made anim.gif larger"

# A one-page PDF written by hand (ImageMagick may not write PDF), with a correct cross-reference
# table: qpdf rewrites it with object streams, and the result must check clean and keep the page.
content='BT /F1 24 Tf 72 720 Td (Tarnwick test page) Tj ET'
objects=(
  '<< /Type /Catalog /Pages 2 0 R >>'
  '<< /Type /Pages /Kids [3 0 R] /Count 1 >>'
  '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>'
  "<< /Length ${#content} >>
stream
$content
endstream"
  '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>'
)
# ASCII only, so a length in characters is one in bytes.
pdf='%PDF-1.4'$'\n'
offsets=()
for i in "${!objects[@]}"; do
  offsets+=("${#pdf}")
  pdf+="$((i + 1)) 0 obj"$'\n'"${objects[$i]}"$'\n'"endobj"$'\n'
done
xref=${#pdf}
pdf+="xref"$'\n'"0 $((${#objects[@]} + 1))"$'\n'"0000000000 65535 f "$'\n'
for o in "${offsets[@]}"; do pdf+="$(printf '%010d 00000 n ' "$o")"$'\n'; done
pdf+="trailer"$'\n'"<< /Size $((${#objects[@]} + 1)) /Root 1 0 R >>"$'\n'"startxref"$'\n'"$xref"$'\n'"%%EOF"$'\n'
printf '%s' "$pdf" >page.pdf
qpdf --check page.pdf >/dev/null 2>&1 || fail "the test's own page.pdf does not check clean"

run qpdf --object-streams=generate --compress-streams=y "$(winpath page.pdf)" "$(winpath page-opt.pdf)" ||
  fail "qpdf: $(cat qpdf.log)"
qpdf --check page-opt.pdf >/dev/null 2>&1 || fail "qpdf: page-opt.pdf does not check clean"
[ "$(qpdf --show-npages page-opt.pdf 2>/dev/null)" = 1 ] || fail "qpdf: not one page"
qpdf --qdf --object-streams=disable page-opt.pdf - 2>/dev/null | grep -aq '(Tarnwick test page) Tj' ||
  fail "qpdf: the page's text is gone"

[ "$failures" -eq 0 ] || exit 1
echo PASS
