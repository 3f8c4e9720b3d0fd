#!/usr/bin/env bash
# Builds and packages the three release archives into build/release/:
#   vandrel-<version>-win32.zip, vandrel-<version>-win64.zip,
#   vandrel-<version>-linux-x86_64.tar.gz (with both Windows launchers),
# and the Maven plugin's vandrel-maven-plugin-<version>.jar and .pom (built by
# Maven offline, carrying both launchers and both vandrel-packs).
# The same sources give byte-identical files: every time stamp is the last
# commit's (SOURCE_DATE_EPOCH), and the builds write no paths or times.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh >/dev/null

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH
umask 022

rm -rf build/release
mkdir -p build/release
# The Linux archive takes the Windows launchers, so the Windows builds go first.
for preset in release-win32 release-win64 release-linux; do
  log="build/$preset.log"
  if ! cmake --workflow --preset "$preset" --fresh >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "release: $preset failed (whole log: $log)" >&2
    exit 1
  fi
done
rm -rf build/release/_CPack_Packages
for file in build/release-linux/maven-plugin/vandrel-maven-plugin-*.jar build/release-linux/maven-plugin/vandrel-maven-plugin-*.pom; do
  install -m 644 "$file" build/release/
  touch -d "@$SOURCE_DATE_EPOCH" "build/release/$(basename "$file")"
done
ls -l build/release/*.zip build/release/*.tar.gz build/release/*.jar build/release/*.pom
