#!/usr/bin/env bash
# The Windows program under Wine on a folder of images, with fake tools beside it and the backup
# on in the settings file next to it: the same log as on Linux with backslash paths, a backup made
# by xcopy, exit status 0. A name outside ASCII comes through as UTF-8.
#   windows_headless_run.sh TARNWICK_EXE FAKE_TOOL_EXE FAKE_IMAGE_EXE WORK_FOLDER
set -u
exe=$1 tool=$2 image=$3 work=$4
fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/program" "$work/pics/sub" || fail "cannot make $work"
cp "$exe" "$work/program/tarnwick.exe"
for name in pngcrush optipng pngout exiftool upx; do
  cp "$tool" "$work/program/$name.exe"
done
printf '{"Full":true,"Strip":true,"Copy":true}' >"$work/program/Tarnwick.config"
winpath() { winepath -w "$1" 2>/dev/null; }
wine "$image" 4096 "$(winpath "$work/pics/a bé.png")" || fail "no sample png"
wine "$image" 8192 "$(winpath "$work/pics/sub/c.jpg")" || fail "no sample jpg"

# A record of finished files of this run's own, never the user's.
export FAKE_TOOL_LOG FAKE_TOOL_SHRINK=512 XDG_CACHE_HOME
FAKE_TOOL_LOG=$(winpath "$work/calls.log")
XDG_CACHE_HOME=$(winpath "$work/cache")
pics=$(winpath "$work/pics")
wine "$work/program/tarnwick.exe" "$pics" >"$work/out.txt" 2>"$work/err.txt"
status=$?
tr -d '\r' <"$work/out.txt" >"$work/out.lf"

stamp='[0-9][0-9]/[0-9][0-9]/[0-9]{4} [0-9][0-9]:[0-9][0-9]:[0-9][0-9] (AM|PM)'
expected=(
  "^Starting Compression at $stamp\$"
  '^Backing up originals\.\.\. done$'
  '^Originals backed up to .*picsBackup_[0-9_]+$'
  '^Compressing a bé\.png \(4\.000 KB\)$'
  '^     Stripping MetaData\.\.\.  New Size: 3\.500 KB$'
  '^     Pass 1/3\.\.\.  New Size: 3\.000 KB$'
  '^     Pass 2/3\.\.\.  New Size: 2\.500 KB$'
  '^     Pass 3/3\.\.\.  New Size: 2\.000 KB$'
  '^     Compressed file is 50\.000% of the original$'
  '^Compressing sub\\c\.jpg \(8\.000 KB\)$'
  '^     Stripping MetaData\.\.\.  New Size: 7\.500 KB$'
  '^     Compressed file is 93\.750% of the original$'
  "^Finished Compression at $stamp\$"
  '^$'
)
mapfile -t lines <"$work/out.lf"
cat "$work/out.lf"
cat "$work/err.txt" >&2
[ "$status" -eq 0 ] || fail "exit status $status"
[ "${#lines[@]}" -eq "${#expected[@]}" ] || fail "${#lines[@]} lines, not ${#expected[@]}"
for i in "${!expected[@]}"; do
  [[ ${lines[$i]} =~ ${expected[$i]} ]] || fail "line $((i + 1)): '${lines[$i]}'"
done

backups=("$work"/picsBackup_*)
[ "${#backups[@]}" -eq 1 ] && [ -d "${backups[0]}" ] || fail "no backup folder beside pics"
[ "$(stat -c %s "${backups[0]}/a bé.png")" -eq 4096 ] || fail "backup of a bé.png"
[ "$(stat -c %s "${backups[0]}/sub/c.jpg")" -eq 8192 ] || fail "backup of sub\\c.jpg"
[ "$(stat -c %s "$work/pics/a bé.png")" -eq 2048 ] || fail "a bé.png not compressed"
ls -a "$work/pics" "$work/pics/sub" | grep -q '^\.tarnwick-' && fail "a work folder is left"
grep -q '^pngcrush|' "$work/calls.log" || fail "pngcrush was not called"
[ -f "$work/cache/tarnwick/finished.sqlite" ] || fail "no record of the finished files"

# A single file given relative to the caller's folder: its backup is made by copy, beside it.
wine "$image" 6144 "$(winpath "$work/pics/sub/d.gif")" || fail "no sample gif"
(cd "$work/pics" && wine "$work/program/tarnwick.exe" 'sub\d.gif' >"$work/single.txt" 2>&1)
status=$?
tr -d '\r' <"$work/single.txt" >"$work/single.lf"
cat "$work/single.lf"
[ "$status" -eq 0 ] || fail "single file: exit status $status"
grep -qx 'Compressing d\.gif (6\.000 KB)' "$work/single.lf" || fail "single file: no compressing line"
grep -qx 'Backing up originals\.\.\. done' "$work/single.lf" || fail "single file: no backup"
single=("$work"/pics/sub/Backup_*)
[ "${#single[@]}" -eq 1 ] && [ "$(stat -c %s "${single[0]}/d.gif")" -eq 6144 ] ||
  fail "single file: no backup copy beside it"

# A path that is not there: status 2, and the path named on the error stream.
missing="$(winpath "$work/pics")\\missing.png"
wine "$work/program/tarnwick.exe" "$missing" >"$work/missing.txt" 2>"$work/missing.err"
status=$?
[ "$status" -eq 2 ] || fail "missing path: exit status $status"
grep -qF "$missing" "$work/missing.err" || fail "missing path: not named on the error stream"
echo "PASS"
