#!/usr/bin/env bash
# Prepares a Wine prefix for the Windows tests: creates it once, then sets the registry values the
# tests rely on. Idempotent; safe to run before every test run.
#   scripts/wine-prefix.sh <prefix directory>
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh <prefix directory>}
mkdir -p "$prefix"
export WINEPREFIX
WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=-all
# No Mono or Gecko: there is no network, and their installers would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml="

wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64 || command -v wine)
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  "$wine" wineboot --init >/dev/null 2>&1
fi
reg() { "$wine" reg add "$@" /f >/dev/null 2>&1; }
# Windows without any X server; a crash ends the process instead of opening a dialog.
reg 'HKCU\Software\Wine\Drivers' /v Graphics /d null
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
# The editor's font; Debian's fonts-liberation provides the metric-compatible face.
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d 'Liberation Sans'
# The registry reaches the disk when the server exits.
"$wineserver" -w
grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg"
grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg"
echo "wine prefix ready: $WINEPREFIX"
