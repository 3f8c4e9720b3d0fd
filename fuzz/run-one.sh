#!/usr/bin/env bash
# Runs one fuzz target for a given time: new inputs go to WORK_DIR, the seed
# corpus is only read.
#   run-one.sh TARGET WORK_DIR SEED_DIR SECONDS
set -eu
target=$1 work=$2 seeds=$3 seconds=$4
mkdir -p "$work" "$seeds"
exec "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" "$work" "$seeds"
