# Sourced by the scripts that run Windows programs through the test bridge.
#   find_bridge BRIDGE_DIR       sets bridge_dir (absolute), bridge_arch and
#       bridge_view and exports WINEDLLPATH; 125 when BRIDGE_DIR holds no
#       bridge. Changes no prefix.
#   register_bridge BRIDGE_DIR   makes the bridge jvm.dll in BRIDGE_DIR (a
#       build's tests/e2e/windows/jvm_bridge/bridge) the Java runtime of
#       $WINEPREFIX: registers it and exports WINEDLLPATH. Returns 125 when
#       BRIDGE_DIR holds no bridge or the registry cannot be written.
#   unregister_bridge            removes the key again if register_bridge
#       created it.
#   require_bridge BRIDGE_DIR    find_bridge, and sets bridge_launcher to the
#       launcher of the bridge's word size (win32 or win64); ends the script
#       with 77 (skipped) when BRIDGE_DIR holds no bridge.
bridge_key='HKLM\Software\JavaSoft\Java Runtime Environment'
bridge_key_created=0
find_bridge() {
  bridge_dir=$(cd "$1" && pwd) || return 125
  if [ -f "$bridge_dir/i386-windows/jvm.dll" ]; then
    bridge_arch=i386 bridge_view=/reg:32
  elif [ -f "$bridge_dir/x86_64-windows/jvm.dll" ]; then
    bridge_arch=x86_64 bridge_view=/reg:64
  else
    echo "no bridge jvm.dll in $bridge_dir" >&2
    return 125
  fi
  export WINEDLLPATH="$bridge_dir"
}
register_bridge() {
  find_bridge "$1" || return 125
  wine reg query "$bridge_key" $bridge_view </dev/null >/dev/null 2>&1 || bridge_key_created=1
  local dll="Z:$(echo "$bridge_dir/$bridge_arch-windows/jvm.dll" | tr / '\\')"
  wine reg add "$bridge_key" /v CurrentVersion /d 17 /f $bridge_view </dev/null >/dev/null 2>&1 &&
    wine reg add "$bridge_key\\17" /v RuntimeLib /d "$dll" /f $bridge_view </dev/null >/dev/null 2>&1 || {
    echo "cannot register the bridge in $WINEPREFIX" >&2
    return 125
  }
}
unregister_bridge() {
  if [ "$bridge_key_created" -eq 1 ]; then
    wine reg delete "$bridge_key" /f $bridge_view </dev/null >/dev/null 2>&1
  fi
  bridge_key_created=0
}
require_bridge() {
  find_bridge "$1" 2>/dev/null || { echo "SKIPPED: the program run needs a JVM bridge in $1"; exit 77; }
  bridge_launcher=win32
  if [ "$bridge_arch" = x86_64 ]; then bridge_launcher=win64; fi
}
