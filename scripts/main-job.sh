#!/usr/bin/env bash
# Builds the Linux and 32-bit Windows launchers, packs the sample
# application with each, and runs both (the Windows one under Wine).
#   build/sample/sample      packed by the Linux packager (vandrel sample.jar ...)
#   build/sample/sample.exe  packed by the win32 packager (under Wine)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset linux
cmake --build --preset linux
cmake --preset win32
cmake --build --preset win32

jar=build/linux/examples/sample.jar
out=build/sample
mkdir -p "$out"
rm -f "$out/sample" "$out/sample.exe"

# The Linux packager: the bare launcher turns the JAR into a program.
build/linux/launcher/vandrel "$jar" "$out/sample"
echo "--- running $out/sample"
"$out/sample" first -J-second "third argument"

# The Windows packed program, written by the win32 packager itself and run
# under Wine. No Windows Java VM exists here: the test bridge jvm.dll hands
# the launcher's JNI calls to Debian's 32-bit Java VM (tests/e2e/windows/jvm_bridge).
prefix="$PWD/$out/wineprefix"
bash tests/support/wine/prefix.sh setup "$prefix" >/dev/null
trap 'bash tests/support/wine/prefix.sh cleanup "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix"
bridge="$PWD/build/win32/tests/e2e/windows/jvm_bridge/bridge"
cp build/win32/launcher/vandrel.exe "$out/vandrel.exe"
echo "--- packing $out/sample.exe with the win32 vandrel.exe"
(cd "$out" && "$OLDPWD/tests/e2e/windows/jvm_bridge/run_with_bridge.sh" "$bridge" vandrel.exe ../linux/examples/sample.jar sample.exe)
echo "--- running $out/sample.exe under Wine"
(cd "$out" && "$OLDPWD/tests/e2e/windows/jvm_bridge/run_with_bridge.sh" "$bridge" sample.exe first -J-second "third argument")

size_exe=$(stat -c %s build/win32/launcher/vandrel.exe)
size_jar=$(stat -c %s "$jar")
size_out=$(stat -c %s "$out/sample.exe")
if [ "$size_out" -ne $((size_exe + size_jar)) ]; then
  echo "main-job: $out/sample.exe has the wrong length" >&2
  exit 1
fi
echo "--- wrote $out/sample ($(stat -c %s "$out/sample") bytes) and $out/sample.exe ($size_out bytes)"
