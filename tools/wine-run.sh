#!/usr/bin/env bash
# Runs a Windows program under wine with the settings the test stage uses: no
# debug output, no .NET or HTML engine, the prefix given by WINEPREFIX (or
# wine's default). The program's exit code is this script's.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
command -v wine64 >/dev/null 2>&1 && [ ! -x "$wine" ] && wine=wine64
exec "$wine" "$@"
