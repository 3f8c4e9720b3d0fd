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
bridge_dir=$(cd "$1" && pwd) || exit 125
shift
if [ -f "$bridge_dir/i386-windows/jvm.dll" ]; then
  arch=i386 view=/reg:32
elif [ -f "$bridge_dir/x86_64-windows/jvm.dll" ]; then
  arch=x86_64 view=/reg:64
else
  echo "run_with_bridge.sh: no bridge jvm.dll in $bridge_dir" >&2
  exit 125
fi

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export WINEDLLPATH="$bridge_dir"
own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d "$(dirname "$bridge_dir")/prefix.XXXXXX")
  export WINEPREFIX="$own_prefix"
  wineboot -i </dev/null >/dev/null 2>&1
fi

key='HKLM\Software\JavaSoft\Java Runtime Environment'
# A key that this script creates in a given prefix is removed again afterwards.
wine reg query "$key" $view </dev/null >/dev/null 2>&1
key_existed=$?
dll="Z:$(echo "$bridge_dir/$arch-windows/jvm.dll" | tr / '\\')"
wine reg add "$key" /v CurrentVersion /d 17 /f $view </dev/null >/dev/null 2>&1 &&
  wine reg add "$key\\17" /v RuntimeLib /d "$dll" /f $view </dev/null >/dev/null 2>&1 || {
  echo "run_with_bridge.sh: cannot register the bridge in $WINEPREFIX" >&2
  exit 125
}

wine "$@"
status=$?
if [ -z "$own_prefix" ] && [ $key_existed -ne 0 ]; then
  wine reg delete "$key" /f $view </dev/null >/dev/null 2>&1
fi
if [ -n "$own_prefix" ]; then
  wineserver -k 2>/dev/null
  rm -rf "$own_prefix"
fi
exit $status
