#!/usr/bin/env bash
# Installs what is missing, builds the three builds (linux, win32, win64) and
# runs every test of all of them in one CTest run, whose summary comes last.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in linux win32 win64; do
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# One CTest tree over the three build trees, so that one summary counts them all.
mkdir -p build/all
cat > build/all/CTestTestfile.cmake <<'EOT'
subdirs("../linux" "../win32" "../win64")
EOT
cd build/all
exec ctest --output-on-failure --parallel 2 "$@"
