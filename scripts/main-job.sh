#!/usr/bin/env bash
# The user's story, on Linux: pack the sample application for Windows with
# vandrel-pack and the win32 launcher (no Windows toolchain, no Wine needed
# for that) and run it under Wine, and the same with the win64 launcher; then
# pack it natively with the Linux launcher and run it.
#   build/sample/sample.exe    made by vandrel-pack from the win32 vandrel.exe
#   build/sample/sample64.exe  made by vandrel-pack from the win64 vandrel.exe
#   build/sample/sample        made by the Linux packager (vandrel sample.jar ...)
# On a machine whose kernel runs no 32-bit programs, setup.sh has them run
# under emulation (qemu-user), so the win32 program runs there too.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

cmake --preset linux
cmake --build --preset linux
for preset in win32 win64; do
  cmake --preset $preset
  cmake --build --preset $preset
done

jar=build/linux/examples/sample.jar
out=build/sample
mkdir -p "$out"
rm -f "$out/sample" "$out/sample.exe" "$out/sample64.exe"

# A Windows program made on Linux: a configured copy of the launcher (here
# with a larger heap and Java 11 as the minimum), then the JAR.
settings=(--set 'vm_arguments=-Xmx320m' --set min_version=11
  --version-info ProductName='vandrel sample' --version-info FileVersion=1.0.0)
for build_exe in win32:sample.exe win64:sample64.exe; do
  build=${build_exe%%:*} exe=${build_exe#*:}
  echo "--- packing $out/$exe with vandrel-pack and the $build vandrel.exe"
  build/linux/packtool/vandrel-pack --launcher "build/$build/launcher/vandrel.exe" "${settings[@]}" "$jar" "$out/$exe"
done
build/linux/packtool/vandrel-pack --show "$out/sample.exe"

# Run under Wine. No Windows Java VM exists here: the test bridge jvm.dll
# hands the launcher's JNI calls to Debian's Java VM of the same
# architecture (tests/e2e/windows/jvm_bridge), the 32-bit one for sample.exe.
. tests/support/wine/arch.sh
if ! wine_runs i386; then
  echo "--- this machine runs no 32-bit programs, not even under emulation: see scripts/setup.sh" >&2
  exit 1
fi
prefix="$PWD/$out/wineprefix"
bash tests/support/wine/prefix.sh setup "$prefix" >/dev/null
trap 'bash tests/support/wine/prefix.sh cleanup "$prefix" >/dev/null' EXIT
export WINEPREFIX="$prefix"
for build_exe in win32:sample.exe win64:sample64.exe; do
  build=${build_exe%%:*} exe=${build_exe#*:}
  bridge="$PWD/build/$build/tests/e2e/windows/jvm_bridge/bridge"
  echo "--- running $out/$exe under Wine"
  (cd "$out" && "$OLDPWD/tests/e2e/windows/jvm_bridge/run_with_bridge.sh" "$bridge" "$exe" first -J-second "third argument")
done

# The Linux packager: the bare launcher turns the JAR into a program.
build/linux/launcher/vandrel "$jar" "$out/sample"
echo "--- running $out/sample"
"$out/sample" first -J-second "third argument"

echo "--- wrote $out/sample.exe ($(stat -c %s "$out/sample.exe") bytes), $out/sample64.exe" \
  "($(stat -c %s "$out/sample64.exe") bytes) and $out/sample ($(stat -c %s "$out/sample") bytes)"
