#!/usr/bin/env bash
# Creates (setup) or stops and removes (cleanup) a throwaway Wine prefix,
# keeping one wineserver alive in between so that test programs start fast.
#   prefix.sh setup|cleanup PREFIX
set -eu
action="$1"
export WINEPREFIX="$2"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
case "$action" in
  setup)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # Neither the server nor the services that wineboot starts may hold the
    # test runner's output pipe open.
    wineserver -p </dev/null >/dev/null 2>&1
    # Plain wineboot: the loader initialises the new prefix by itself before
    # it runs wineboot, and starts Wine's services once. `wineboot -i` would
    # initialise it a second time, with a second services.exe; RpcSs then
    # never starts ("Service database locked"), and every later program that
    # uses user32 waits 2 x 10 s for it.
    wineboot </dev/null >/dev/null 2>&1
    echo "wine prefix ready: $(basename "$WINEPREFIX")"
    ;;
  cleanup)
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    echo "wine prefix removed"
    ;;
esac
