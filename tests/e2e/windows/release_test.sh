#!/usr/bin/env bash
# The release archives: their file lists, the README and documents in each
# (as in the sources, every link leading to a file there), and a Windows
# program made from the unpacked Linux archive alone, run under Wine through
# the JVM bridge, with the launcher of the bridge's word size. 77 (skipped) when BRIDGE_DIR holds
# no bridge.
#   release_test.sh RELEASE_DIR VERSION BRIDGE_DIR sample.jar WORK_DIR
set -u
release=$1 version=$2 bridge_dir=$3 jar=$4 work=$5
bridge_run=$(cd "$(dirname "$0")/jvm_bridge" && pwd)/run_with_bridge.sh
. "$(dirname "$0")/check.sh" || exit 1
. "$(dirname "$0")/jvm_bridge/bridge_registration.sh" || exit 1
require_bridge "$bridge_dir"
launcher=$bridge_launcher/vandrel.exe

sources=$(cd "$(dirname "$0")/../../.." && pwd)
# The documents every archive carries beside the whole README (the same list
# as VANDREL_USER_DOCS in cmake/Release.cmake).
docs="changelog.md configuration.md deliberate-differences.md maven.md packing.md runtime-search.md
signing.md startup.md tunegate.md windows.md"
doc_list() {
  for doc in $docs; do echo "$1/docs/$doc"; done
}

# The README and its documents in the unpacked archive TOP: each the same as
# in the sources, and every relative link of theirs leads to a file there.
check_documents() {
  local name=$1 top=$2 file target changed="" broken=""
  for file in README.md $(for doc in $docs; do echo "docs/$doc"; done); do
    cmp -s "$sources/$file" "$top/$file" || changed="$changed $file"
    for target in $(grep -o '](\([^)#[:space:]]*\)[^)]*)' "$top/$file" | sed 's/^](\([^)#]*\).*/\1/' | grep -v '^[a-z]*:' | sort -u); do
      [ -f "$(dirname "$top/$file")/$target" ] || broken="$broken $file:$target"
    done
  done
  check "$name: README and documents as in the sources" "" "$changed"
  check "$name: every link of the README and documents leads to a file in the archive" "" "$broken"
}

rm -rf "$work" && mkdir -p "$work/unzipped" || exit 1
for bits in 32 64; do
  top=vandrel-$version-win$bits
  check "win$bits archive" "$top/LICENSE
$top/README.md
$(doc_list "$top")
$top/tunegate.dll
$top/vandrel-pack.exe
$top/vandrel.exe" "$(unzip -Z1 "$release/$top.zip" | grep -v '/$' | sort)"
  unzip -q -d "$work/unzipped" "$release/$top.zip" && check_documents "win$bits archive" "$work/unzipped/$top"
done
top=vandrel-$version-linux-x86_64
check "linux archive" "$top/LICENSE
$top/README.md
$(doc_list "$top")
$top/libtunegate.so
$top/vandrel
$top/vandrel-pack
$top/win32/vandrel.exe
$top/win64/vandrel.exe" "$(tar tzf "$release/$top.tar.gz" | grep -v '/$' | sort)"

# A fresh directory with nothing but the unpacked archive and the JAR.
mkdir -p "$work/linux" && cd "$work/linux" || exit 1
tar xzf "$release/$top.tar.gz" && cp "$jar" sample.jar || exit 1
check_documents "linux archive" "$top"
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
