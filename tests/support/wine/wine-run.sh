#!/usr/bin/env bash
# Runs a Windows program under Wine in the given throwaway prefix, with
# Wine's own diagnostics silenced. Used as CTest's cross-compiling emulator:
#   wine-run.sh PREFIX program.exe [arguments...]
set -u
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
exec wine "$@"
