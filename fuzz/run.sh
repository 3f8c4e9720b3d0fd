#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer) and runs each for SECONDS
# (default 60). Findings are kept in build/linux-fuzz/fuzz/corpus/<target>/.
#   fuzz/run.sh [SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset linux-fuzz >/dev/null && cmake --build --preset linux-fuzz >/dev/null || exit 2
status=0
for target in $(sed -n 's/^  \(fuzz_[a-z_]*\))\{0,1\}$/\1/p' fuzz/CMakeLists.txt); do
  log="build/linux-fuzz/fuzz/$target.log"
  fuzz/run-one.sh "build/linux-fuzz/fuzz/$target" "build/linux-fuzz/fuzz/corpus/$target" \
    "fuzz/corpus/$target" "$seconds" >"$log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$result" -eq 0 ]; then
    printf '%-28s %4ss  %10s runs  no finding\n' "$target" "$seconds" "${runs:-?}"
  else
    printf '%-28s %4ss  %10s runs  FINDING (see %s)\n' "$target" "$seconds" "${runs:-?}" "$log"
    status=1
  fi
done
exit $status
