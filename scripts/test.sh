#!/usr/bin/env bash
# Installs what is missing, builds the three builds (linux, win32, win64), the
# sanitized Linux build (linux-asan) and the fuzz targets (linux-fuzz), and
# runs every test of all of them in one CTest run, whose summary comes last.
# The win32 tree's release tests make the release (scripts/release.sh), whose
# Linux build builds the Maven plugin offline; they then run the plugin's unit
# and integration tests and a project built with the released plugin.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

presets="linux win32 win64 linux-asan linux-fuzz"
for preset in $presets; do
  echo "== configure and build: $preset"
  mkdir -p build
  log="build/$preset-build.log"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "build of $preset failed (whole log: $log)"
    exit 1
  fi
done

# One CTest tree over the build trees, so that one summary counts them all.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<'EOT'
subdirs("../linux" "../win32" "../win64" "../linux-asan" "../linux-fuzz")
EOT
cd build/all
exec ctest --output-on-failure --parallel 2 "$@"
