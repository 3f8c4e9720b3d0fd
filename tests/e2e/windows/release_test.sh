#!/usr/bin/env bash
# The release archives: their file lists, and a Windows program made from the
# unpacked Linux archive alone, run under Wine through the JVM bridge, with
# the launcher of the bridge's word size. 77 (skipped) when BRIDGE_DIR holds
# no bridge.
#   release_test.sh RELEASE_DIR VERSION BRIDGE_DIR sample.jar WORK_DIR
set -u
release=$1 version=$2 bridge_dir=$3 jar=$4 work=$5
bridge_run=$(cd "$(dirname "$0")/jvm_bridge" && pwd)/run_with_bridge.sh
. "$(dirname "$0")/check.sh" || exit 1
. "$(dirname "$0")/jvm_bridge/bridge_registration.sh" || exit 1
require_bridge "$bridge_dir"
launcher=$bridge_launcher/vandrel.exe

for bits in 32 64; do
  top=vandrel-$version-win$bits
  check "win$bits archive" "$top/LICENSE
$top/README.md
$top/tunegate.dll
$top/vandrel-pack.exe
$top/vandrel.exe" "$(unzip -Z1 "$release/$top.zip" | sort)"
done
top=vandrel-$version-linux-x86_64
check "linux archive" "$top/LICENSE
$top/README.md
$top/libtunegate.so
$top/vandrel
$top/vandrel-pack
$top/win32/vandrel.exe
$top/win64/vandrel.exe" "$(tar tzf "$release/$top.tar.gz" | grep -v '/$' | sort)"

# A fresh directory with nothing but the unpacked archive and the JAR.
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
tar xzf "$release/$top.tar.gz" && cp "$jar" sample.jar || exit 1
# The Linux vandrel-pack needs no shared library: it runs on any x86_64 Linux.
check "vandrel-pack linked statically" "not a dynamic executable" "$(ldd "$top/vandrel-pack" 2>&1 | sed 's/^[[:space:]]*//')"
out=$("$top/vandrel-pack" --launcher "$top/$launcher" sample.jar sample.exe 2>&1)
check "vandrel-pack status" 0 $?
check "packed program begins with the launcher" "$(head -c "$(stat -c %s "$top/$launcher")" "$top/$launcher" | sha256sum)" \
  "$(head -c "$(stat -c %s "$top/$launcher")" sample.exe | sha256sum)"

out=$("$bridge_run" "$bridge_dir" sample.exe first -J-second "third argument" 2>&1)
check "packed program's status" 0 $?
check "arguments" "sample: 3 argument(s)
  arg[0] = -second
  arg[1] = first
  arg[2] = third argument" "$(printf '%s\n' "$out" | tr -d '\r' | grep -E '^sample: [0-9]|^  arg')"

if [ $failed -eq 0 ]; then echo "release archives: all checks passed"; fi
exit $failed
