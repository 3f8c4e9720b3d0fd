#!/usr/bin/env bash
# Which Wine runs a build's Windows programs, by their architecture (i386 or
# x86_64). Debian's `wine` command starts the 32-bit loader whenever it is
# installed, and that loader then hands 64-bit programs on; a machine whose
# kernel runs no 32-bit programs can therefore run no Windows program through
# it, so 64-bit programs are started by the 64-bit loader directly.
#   arch.sh runs ARCH      exit status 0 when this machine runs ARCH's
#                          Windows programs under Wine
# Sourced:
#   wine_runs ARCH         the same check
#   use_wine_for ARCH      puts the loader for ARCH's programs first on PATH,
#                          for `wine` and for what Wine's own scripts start
wine_loader_of() {
  case "$1" in
    i386) echo /usr/lib/wine/wine ;;
    x86_64) echo /usr/lib/wine/wine64 ;;
    *) return 1 ;;
  esac
}
wine_runs() {
  local loader
  loader=$(wine_loader_of "$1") || return 1
  "$loader" --version </dev/null >/dev/null 2>&1
}
use_wine_for() {
  if [ "$1" = x86_64 ]; then
    local here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    export PATH="$here/x86_64:$PATH"
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case "${1:-}" in
    runs) wine_runs "${2:-}" ;;
    *) echo "usage: arch.sh runs i386|x86_64" >&2; exit 2 ;;
  esac
fi
