#!/bin/sh
# Makes the Wine prefix $1 for the toolkit tests, once: with Wine's null display driver, windows
# are made, messaged and drawn nowhere, so no X server is needed.
set -e
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
# The registry is written when the prefix's server ends.
wineserver -w
