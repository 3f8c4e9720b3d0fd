#!/usr/bin/env bash
# The sample application through the Windows packager and the packed Windows
# program, both in the host's VM through the test bridge.
#   sample_test.sh BRIDGE_DIR vandrel.exe sample.jar WORK_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
bridge_dir=$1 launcher=$2 jar=$3 work=$4
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$launcher" vandrel.exe && cp "$jar" sample.jar || exit 1
. "$here/check.sh" || exit 1

out=$("$here/jvm_bridge/run_with_bridge.sh" "$bridge_dir" vandrel.exe sample.jar 2>&1 | tr -d '\r')
check "packager output" "Creating executable 'sample.exe' from 'sample.jar'...
Success!" "$out"
check "packed layout" "$(cat vandrel.exe sample.jar | sha256sum)" "$(sha256sum < sample.exe)"

out=$("$here/jvm_bridge/run_with_bridge.sh" "$bridge_dir" sample.exe first -J-second "third argument" 2>&1)
status=$?
check "exit status" 0 "$status"
check "arguments" "sample: 3 argument(s)
  arg[0] = -second
  arg[1] = first
  arg[2] = third argument" "$(printf '%s\n' "$out" | grep -E '^sample: [0-9]|^  arg')"
check "worker outlives main" "sample: main returns
sample: worker thread done after main returned" "$(printf '%s\n' "$out" | grep -E 'main returns|worker thread')"

if [ $failed -eq 0 ]; then echo "sample through the bridge: all checks passed"; fi
exit $failed
