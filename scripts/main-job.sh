#!/usr/bin/env bash
# The user's story, on Linux: pack the sample application for Windows with
# vandrel-pack and the win32 launcher (no Windows toolchain, no Wine needed
# for that) and run it under Wine; then pack it natively with the Linux
# launcher and run it.
#   build/sample/sample.exe  made by vandrel-pack from the win32 vandrel.exe
#   build/sample/sample      made by the Linux packager (vandrel sample.jar ...)
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
rm -f "$out/sample" "$out/sample.exe" "$out/sample64.exe"

# A Windows program made on Linux: a configured copy of the win32 launcher
# (here with a larger heap and Java 11 as the minimum), then the JAR.
echo "--- packing $out/sample.exe with vandrel-pack and the win32 vandrel.exe"
settings=(--set 'vm_arguments=-Xmx320m' --set min_version=11
  --version-info ProductName='vandrel sample' --version-info FileVersion=1.0.0)
build/linux/packtool/vandrel-pack --launcher build/win32/launcher/vandrel.exe "${settings[@]}" "$jar" "$out/sample.exe"
build/linux/packtool/vandrel-pack --show "$out/sample.exe"

# Run under Wine. No Windows Java VM exists here: the test bridge jvm.dll
# hands the launcher's JNI calls to Debian's Java VM of the same
# architecture (tests/e2e/windows/jvm_bridge). A machine that runs no 32-bit
# programs runs the same application packed with the win64 launcher instead.
. tests/support/wine/arch.sh
build=win32 arch=i386 exe=sample.exe
if ! wine_runs i386; then
  echo "--- this machine runs no 32-bit programs: running the win64 launcher's copy instead"
  cmake --preset win64
  cmake --build --preset win64
  build=win64 arch=x86_64 exe=sample64.exe
  rm -f "$out/$exe"
  build/linux/packtool/vandrel-pack --launcher build/win64/launcher/vandrel.exe "${settings[@]}" "$jar" "$out/$exe"
fi
use_wine_for "$arch"
prefix="$PWD/$out/wineprefix"
bash tests/support/wine/prefix.sh setup "$prefix" >/dev/null
trap 'bash tests/support/wine/prefix.sh cleanup "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix"
bridge="$PWD/build/$build/tests/e2e/windows/jvm_bridge/bridge"
echo "--- running $out/$exe under Wine"
(cd "$out" && "$OLDPWD/tests/e2e/windows/jvm_bridge/run_with_bridge.sh" "$bridge" "$exe" first -J-second "third argument")

# The Linux packager: the bare launcher turns the JAR into a program.
build/linux/launcher/vandrel "$jar" "$out/sample"
echo "--- running $out/sample"
"$out/sample" first -J-second "third argument"

echo "--- wrote $out/sample.exe ($(stat -c %s "$out/sample.exe") bytes) and $out/sample ($(stat -c %s "$out/sample") bytes)"
