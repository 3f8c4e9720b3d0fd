#!/usr/bin/env bash
# Side-by-side measurements of the launcher (not run by CTest):
#   1. wall time of the packed sample vs. `java -cp sample.jar` with the same
#      VM options (median of 20 runs each);
#   2. packaging a 100 MB JAR with the packager vs. `cat launcher jar > out`
#      (median of 5 runs each);
#   3. the size of the win32 vandrel.exe against its 100 KiB budget.
# Uses hyperfine when it is installed, else date +%s%N. Expects the linux
# build (and, for 3, the win32 build); builds the targets it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

java_home=$(sed -n 's/^VANDREL_JDK_HOME:PATH=//p' build/linux/CMakeCache.txt 2>/dev/null || true)
java_home=${java_home:-/usr/lib/jvm/default-java}
cmake --build --preset linux --target vandrel sample_jar >/dev/null

work="$root/build/bench"
mkdir -p "$work"
vandrel="$root/build/linux/launcher/vandrel"
sample_jar="$root/build/linux/examples/sample.jar"
unset CLASSPATH JAVA_TOOL_OPTIONS _JAVA_OPTIONS JDK_JAVA_OPTIONS _JAVA_LAUNCHER_DEBUG

runs=20
pack_runs=5

# median_ms <command...>: runs the command $count times, prints the median
# wall time in milliseconds (output discarded).
median_ms() {
  local count=$1; shift
  if command -v hyperfine >/dev/null 2>&1; then
    hyperfine --style none --runs "$count" --export-json "$work/hf.json" -- "$(printf '%q ' "$@")" >/dev/null 2>&1
    python3 -c 'import json,sys; print("%.1f" % (json.load(open(sys.argv[1]))["results"][0]["median"]*1000))' "$work/hf.json"
    return
  fi
  local times=() start end
  for ((i = 0; i < count; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
    m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.1f\n", m / 1000 }'
}

# 1. Start-up and run of the sample.
"$vandrel" "$sample_jar" "$work/sample" >/dev/null
packed_ms=$(median_ms $runs "$work/sample" a -Jb c)
java_ms=$(median_ms $runs "$java_home/bin/java" -Xmx256m -Dapplication.home="$work" \
          -cp "$sample_jar" sample.Main b a c)

# 2. Packaging a 100 MB JAR: one large stored entry of random bytes, made once.
big_jar="$work/big.jar"
if [ ! -f "$big_jar" ]; then
  rm -rf "$work/big"
  mkdir -p "$work/big"
  head -c $((100 * 1024 * 1024)) /dev/urandom > "$work/big/random.bin"
  "$java_home/bin/jar" --create --no-compress --file "$big_jar" -C "$work/big" random.bin
  rm -rf "$work/big"
fi
pack_ms=$(median_ms $pack_runs "$vandrel" "$big_jar" "$work/big-packed")
cat_ms=$(median_ms $pack_runs sh -c 'cat "$1" "$2" > "$3"' sh "$vandrel" "$big_jar" "$work/big-cat")
cmp -s "$work/big-packed" "$work/big-cat" && same="identical" || same="DIFFERENT"
rm -f "$work/big-packed" "$work/big-cat"

# 3. Size of the deliverable.
exe="$root/build/win32/launcher/vandrel.exe"
if [ -f "$exe" ]; then
  size=$(stat -c %s "$exe")
  size_text="$size bytes ($(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1024 }') KiB)"
  budget=$([ "$size" -le $((100 * 1024)) ] && echo "within the 100 KiB budget" || echo "OVER the 100 KiB budget")
else
  size_text="(no win32 build)"
  budget=""
fi

timer=$(command -v hyperfine >/dev/null 2>&1 && echo hyperfine || echo "date +%s%N")
big_mb=$(( $(stat -c %s "$big_jar") / 1048576 ))
echo "wall times measured with $timer"
printf '%-38s %12s %12s   %s\n' "" "vandrel" "reference" "reference is"
printf '%-38s %9s ms %9s ms   %s\n' "sample run, median of $runs" "$packed_ms" "$java_ms" "java -Xmx256m -cp sample.jar"
printf '%-38s %9s ms %9s ms   %s\n' "packaging $big_mb MB JAR, median of $pack_runs" "$pack_ms" "$cat_ms" \
  "cat launcher jar > out (outputs $same)"
printf '%-38s %s %s\n' "win32 vandrel.exe size" "$size_text" "$budget"
