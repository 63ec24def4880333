#!/usr/bin/env bash
# Shows what SIGKILL does to a file with two names (hard links) while its content is rewritten
# in place: the program is killed at its second write into the file (kill_on_write.c, loaded
# with LD_PRELOAD), then run again on the folder, as a user would after a crash.
#   bash tests/e2e/stress/linked_rewrite_kill.sh build/test/app/tarnwick
# Prints whether the file still decodes after the kill and after the next run, and whether the
# work folder holding the only whole copy survived. Then kills it once more, saves a new picture
# under the name, as a user would, and checks that the next run leaves that picture alone.
# Exits 1 when the image or the new picture was lost. Run by ctest (label stress) so the
# rewrite note keeps doing its job.
set -u
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-linked-XXXXXX")
mkdir "$dir/app" "$dir/pics"
cc -shared -fPIC -O2 -o "$dir/kill_on_write.so" "$here/kill_on_write.c" -ldl || exit 2
cp "$program" "$dir/app/tarnwick"
echo '{"Copy":false,"Full":false,"Strip":true,"HogSystem":false}' >"$dir/app/Tarnwick.config"
# Larger than one 64 KB copy block, with metadata for the strip step to remove.
convert -size 300x300 plasma:fractal -depth 8 "$dir/pics/a.png"
exiftool -q -q -overwrite_original "-Comment=$(head -c 3000 /dev/zero | tr '\0' x)" \
  "$dir/pics/a.png"
ln "$dir/pics/a.png" "$dir/pics/b.png"
cp "$dir/pics/a.png" "$dir/original.png"

decodes() { convert "$1" null: >/dev/null 2>&1 && echo "decodes" || echo "DOES NOT DECODE"; }

KILL_TARGET="$dir/pics/a.png" KILL_AT_WRITE=2 LD_PRELOAD="$dir/kill_on_write.so" \
  "$dir/app/tarnwick" "$dir/pics/a.png" >"$dir/killed.log" 2>&1
echo "killed run: exit status $?"
echo "after the kill: a.png $(decodes "$dir/pics/a.png"); work folder holds:" \
  "$(ls "$dir"/pics/.tarnwick-*/ 2>/dev/null | tr '\n' ' ')"
for copy in "$dir"/pics/.tarnwick-*/work*; do
  [ -f "$copy" ] && echo "  its $(basename "$copy") $(decodes "$copy")"
done
"$dir/app/tarnwick" "$dir/pics" >"$dir/next.log" 2>&1
echo "next run: exit status $?; work folders left: $(ls -A "$dir/pics" | grep -c '^\.tarnwick-')"
result=$(decodes "$dir/pics/a.png")
echo "after the next run: a.png $result, b.png $(decodes "$dir/pics/b.png")"

cp "$dir/original.png" "$dir/pics/c.png"
ln "$dir/pics/c.png" "$dir/pics/d.png"
KILL_TARGET="$dir/pics/c.png" KILL_AT_WRITE=2 LD_PRELOAD="$dir/kill_on_write.so" \
  "$dir/app/tarnwick" "$dir/pics/c.png" >"$dir/killed-again.log" 2>&1
convert -size 200x200 gradient:red-blue "$dir/new.png"
cp "$dir/new.png" "$dir/pics/c.png.saving" && mv "$dir/pics/c.png.saving" "$dir/pics/c.png"
"$dir/app/tarnwick" "$dir/pics" >"$dir/after-new.log" 2>&1
# The run compresses the new picture too: its pixels are what must stay.
pixels() { convert "$1" -depth 8 rgba:- 2>/dev/null | md5sum; }
if [ "$(pixels "$dir/new.png")" = "$(pixels "$dir/pics/c.png")" ]; then kept="kept"; else
  kept="OVERWRITTEN"
fi
echo "a new picture saved after the kill: $kept;" \
  "log: $(grep -c 'Not finishing the interrupted rewrite of c.png' "$dir/after-new.log") line"
echo "files kept in $dir"
[ "$result" = "decodes" ] && [ "$kept" = "kept" ]
