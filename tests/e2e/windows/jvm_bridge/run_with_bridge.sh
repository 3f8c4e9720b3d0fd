#!/usr/bin/env bash
# Runs a Windows launcher (bare or packed) under Wine with the test bridge
# jvm.dll registered as its Java runtime, so that it runs in the host's VM.
#   run_with_bridge.sh BRIDGE_DIR program.exe [arguments...]
# BRIDGE_DIR is a build's tests/e2e/windows/jvm_bridge/bridge directory (of
# the win32 or win64 build). The bridge is registered in $WINEPREFIX when
# that is set; otherwise a throwaway prefix is made beside BRIDGE_DIR and
# removed afterwards. The
# program's output, standard streams and exit status are its own.
set -u
if [ $# -lt 2 ]; then
  echo "usage: run_with_bridge.sh BRIDGE_DIR program.exe [arguments...]" >&2
  exit 125
fi
. "$(dirname "$0")/bridge_registration.sh" || exit 125
. "$(dirname "$0")/../../../support/wine/arch.sh" || exit 125
find_bridge "$1" || exit 125
use_wine_for "$bridge_arch"
shift

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# The host VM's native encoding is the ANSI code page, from a locale made
# beside the bridge unless LOCPATH names one already.
if [ -z "${LOCPATH:-}" ]; then
  export LOCPATH="$(dirname "$bridge_dir")/locales"
  "$(dirname "$0")/../../../../scripts/test-locales.sh" "$LOCPATH" >/dev/null || exit 125
fi
own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d "$(dirname "$bridge_dir")/prefix.XXXXXX")
  export WINEPREFIX="$own_prefix"
  wineboot </dev/null >/dev/null 2>&1  # once: see support/wine/prefix.sh
fi
# A key that this script creates in a given prefix is removed again afterwards.
finish() {
  if [ -n "$own_prefix" ]; then
    wineserver -k 2>/dev/null
    rm -rf "$own_prefix"
  else
    unregister_bridge
  fi
}

if ! register_bridge "$bridge_dir"; then
  finish
  exit 125
fi
wine "$@"
status=$?
finish
exit $status
