#!/usr/bin/env bash
# Builds the Linux and 32-bit Windows launchers, packs the sample
# application with each, and runs the Linux one.
#   build/sample/sample      packed by the Linux packager (vandrel sample.jar ...)
#   build/sample/sample.exe  the win32 vandrel.exe followed by sample.jar
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

# The Windows packed program. The Windows packager runs only inside a
# Windows Java VM (it asks the VM to check the source), and there is none
# here; nor can the Linux packager produce it, since it always copies its
# own file, never another launcher. A packed program is nothing but the
# launcher's file followed byte for byte by the JAR, with no header or
# offset to adjust, so plain concatenation writes exactly what the Windows
# packager would.
cat build/win32/launcher/vandrel.exe "$jar" > "$out/sample.exe"

size_exe=$(stat -c %s build/win32/launcher/vandrel.exe)
size_jar=$(stat -c %s "$jar")
size_out=$(stat -c %s "$out/sample.exe")
if [ "$size_out" -ne $((size_exe + size_jar)) ]; then
  echo "main-job: $out/sample.exe has the wrong length" >&2
  exit 1
fi
echo "--- wrote $out/sample ($(stat -c %s "$out/sample") bytes) and $out/sample.exe ($size_out bytes)"
