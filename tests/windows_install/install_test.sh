#!/usr/bin/env bash
# The installer under Wine, in a prefix made anew, with Xvfb for the window: a silent install puts
# the program, its tools and the uninstaller in Program Files, the Start-menu entry, the entry in
# the list of programs and "Compress with Tarnwick" for every kind and for folders; the installed
# program compresses a folder headlessly with the bundled tools (same images, smaller; the same
# PNG sizes as a Linux build where TARNWICK_LINUX_PROGRAM names one); the context-menu command
# opens the window and compresses, and the settings go to APPDATA; a silent uninstall leaves
# nothing but those settings.
#   install_test.sh SETUP_EXE WORK_FOLDER
set -u
setup=$1 work=$2
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
give_up() {
  echo "FAIL: $*" >&2
  exit 1
}
[ -f "$setup" ] || give_up "no installer $setup"

rm -rf "$work"
mkdir -p "$work" || exit 1
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No .NET or HTML engine prompts; no menu entries on this machine for the shortcut made inside.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

exec {fd}<> <(:)
Xvfb -noreset -displayfd "$fd" -screen 0 1280x1024x24 >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 30 display <&"$fd" || give_up "Xvfb did not start"
export DISPLAY=:$display
finish() {
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap finish EXIT

wineboot -i >/dev/null 2>&1 || give_up "no Wine prefix"
drive_c=$WINEPREFIX/drive_c
installed=$drive_c/Program\ Files/Tarnwick
win_installed='C:\Program Files\Tarnwick'
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick'
kinds=(.png .jpg .jpeg .gif .tif .tiff .pdf .exe .dll)
verb_keys=()
for kind in "${kinds[@]}"; do verb_keys+=("HKLM\\Software\\Classes\\SystemFileAssociations\\$kind\\shell\\Tarnwick"); done
verb_keys+=('HKLM\Software\Classes\Directory\shell\Tarnwick')

reg_value() { # KEY VALUE_NAME (or /ve): the value's data, empty when missing
  local args=(/v "$2")
  [ "$2" = /ve ] && args=(/ve)
  wine reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
winpath() { winepath -w "$1" 2>/dev/null; }
pixels() { convert "$1" -coalesce -depth 16 rgba:- | sha256sum | cut -c1-64; }

# Install.
wine "$setup" /S || fail "the installer's exit status is $?"
for f in tarnwick.exe uninstall.exe pngcrush.exe optipng.exe zopflipng.exe jpegtran.exe \
  gifsicle.exe qpdf.exe README.md licenses/VERSIONS.txt; do
  [ -f "$installed/$f" ] || fail "not installed: $f"
done
[ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk" ] ||
  fail "no Start-menu entry"
[ "$(reg_value "$key" DisplayName)" = Tarnwick ] || fail "DisplayName: $(reg_value "$key" DisplayName)"
version=$(basename "$setup" | sed -n 's/^tarnwick-\(.*\)-setup\.exe$/\1/p')
[ "$(reg_value "$key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version"
[ "$(reg_value "$key" UninstallString)" = "\"$win_installed\\uninstall.exe\"" ] ||
  fail "UninstallString: $(reg_value "$key" UninstallString)"
for verb in "${verb_keys[@]}"; do
  [ "$(reg_value "$verb" /ve)" = "Compress with Tarnwick" ] || fail "$verb: no entry text"
  [ "$(reg_value "$verb\\command" /ve)" = "\"$win_installed\\tarnwick.exe\" --open \"%1\"" ] ||
    fail "$verb: command is '$(reg_value "$verb\\command" /ve)'"
done

# A folder of images, compressed headlessly by the installed program with its own tools.
corpus=$work/corpus
mkdir -p "$corpus/sub"
convert -seed 7 -size 160x120 plasma:red-blue "$corpus/photo.png"
convert -size 200x100 xc:white -fill black -draw 'circle 100,50 100,10' "$corpus/sub/chart.png"
convert -seed 3 -size 160x120 plasma:green-yellow -quality 92 "$corpus/photo.jpg"
convert -size 48x48 xc:white -fill red -draw 'rectangle 4,4 20,20' "$corpus/sub/mark.gif"
cp -r "$corpus" "$work/headless"
(cd "$work/headless" && find . -type f | sort | while read -r f; do echo "$f $(stat -c %s "$f") $(pixels "$f")"; done) >"$work/before.txt"
wine "$installed/tarnwick.exe" "$(winpath "$work/headless")" >"$work/headless.log" 2>&1 ||
  fail "headless run: exit status $? ($(tr -d '\r' <"$work/headless.log" | tail -n 3))"
tr -d '\r' <"$work/headless.log"
saved=0
while read -r f size hash; do
  new=$(stat -c %s "$work/headless/$f")
  [ "$(pixels "$work/headless/$f")" = "$hash" ] || fail "headless: $f is not the same image"
  saved=$((saved + size - new))
done <"$work/before.txt"
[ "$saved" -gt 0 ] || fail "headless: nothing saved"
echo "headless: $saved bytes saved"

# The same PNGs through a Linux build with the same three PNG tools: the same sizes.
if [ -n "${TARNWICK_LINUX_PROGRAM:-}" ] && [ -x "$TARNWICK_LINUX_PROGRAM" ]; then
  mkdir -p "$work/linux-tools"
  for t in pngcrush optipng zopflipng; do
    command -v $t >/dev/null && ln -s "$(command -v $t)" "$work/linux-tools/$t"
  done
  cp -r "$corpus" "$work/linux"
  PATH=$work/linux-tools XDG_CONFIG_HOME=$work/linux-config XDG_CACHE_HOME=$work/linux-cache \
    "$TARNWICK_LINUX_PROGRAM" "$work/linux" >"$work/linux.log" 2>&1 || fail "Linux run failed"
  for f in photo.png sub/chart.png; do
    [ "$(stat -c %s "$work/linux/$f")" = "$(stat -c %s "$work/headless/$f")" ] ||
      fail "$f: $(stat -c %s "$work/headless/$f") bytes on Windows, $(stat -c %s "$work/linux/$f") on Linux"
  done
else
  echo "no Linux build given (TARNWICK_LINUX_PROGRAM): PNG sizes not compared with Linux"
fi

# Explorer's command for a folder: the window opens and compresses it.
cp -r "$corpus" "$work/opened"
command=$(reg_value 'HKLM\Software\Classes\Directory\shell\Tarnwick\command' /ve)
command=${command//%1/$(winpath "$work/opened")}
# Split as Explorer does: the quoted program, then its arguments (no backslash escapes there).
eval "set -- $command"
wine "$@" >"$work/window.log" 2>&1 &
opener=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarnwick [0-9.]+$' | head -n 1)
[ -n "$window" ] || fail "the context-menu command opened no window"
import -window root "$work/window.png" 2>/dev/null
done_in_window=false
for _ in $(seq 1 300); do
  shrunk=true
  for f in photo.png sub/chart.png; do
    [ "$(stat -c %s "$work/opened/$f")" -lt "$(stat -c %s "$corpus/$f")" ] || shrunk=false
  done
  if $shrunk && ! find "$work/opened" -name '.tarnwick-*' | grep -q .; then
    done_in_window=true
    break
  fi
  sleep 0.2
done
$done_in_window || fail "the window did not compress the folder it was opened with"
for f in photo.png sub/chart.png; do
  [ "$(pixels "$work/opened/$f")" = "$(pixels "$corpus/$f")" ] || fail "window: $f changed its image"
done
if [ -n "$window" ]; then
  xdotool windowfocus --sync "$window" key alt+F4
  wait "$opener" 2>/dev/null
fi
appdata_settings=$(find "$drive_c/users" -path '*/AppData/Roaming/tarnwick/Tarnwick.config' | head -n 1)
[ -n "$appdata_settings" ] || fail "the window saved no settings in APPDATA\\tarnwick"
[ -e "$installed/Tarnwick.config" ] && fail "settings were saved in Program Files"

# Uninstall: it copies itself away and returns at once, so wait for its work to show.
wine "$installed/uninstall.exe" /S || fail "the uninstaller's exit status is $?"
for _ in $(seq 1 300); do
  [ -e "$installed" ] || break
  sleep 0.2
done
[ -e "$installed" ] && fail "left behind: $(cd "$installed" && find . | head -n 5 | tr '\n' ' ')"
[ -e "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk" ] &&
  fail "the Start-menu entry is left"
has_key "$key" && fail "the uninstall entry is left"
for verb in "${verb_keys[@]}"; do
  has_key "$verb" && fail "left: $verb"
done
[ -n "$appdata_settings" ] && [ ! -f "$appdata_settings" ] && fail "the user's settings were removed"

[ "$failures" -eq 0 ] || exit 1
echo PASS
