#!/usr/bin/env bash
# Benchmarks of the launcher, printed as one table. Not a test: CI does not
# run it, and nothing here passes or fails on a figure.
#
# Each timed row runs two commands alternately, A B A B ..., after one
# unmeasured run of each, so that the drift of a shared machine falls on both
# alike; it reports the median wall time of each and the median of the
# per-pair ratios A/B with their minimum and maximum.
#
# Rows:
#   - the sample application packed vs `java -cp sample.jar`;
#   - Debian's Clojure (clojure.main -e '(println)'), packed vs `java -cp`
#     and vs `java -jar`, packed with a class-data archive vs `java -cp`
#     (the archive made as docs/startup.md says), the same
#     with Clojure and the jars its manifest's Class-Path names as one JAR
#     (as docs/startup.md advises), and packed
#     vs the in-process floor (bench/floor.c: creates the VM, calls main,
#     destroys the VM; nothing else);
#   - on Temurin 25 (when installed), Clojure as one JAR packed with a
#     start-up cache (value 13, as vandrel-pack --startup-cache sets it) vs
#     `java -jar` of the same JAR without a cache: the first start, from the
#     launch to the program's end (it records the run; the cache is assembled
#     afterwards by a detached process, which each pair waits for, unmeasured),
#     and the later starts, which use the cache;
#   - the sample and Clojure run through the runtime's own java as a
#     separate process (value 14 "always", the route of a runtime of another
#     machine type) vs the same program in-process and vs `java -jar`;
#   - packaging a 500 MB JAR with the packager vs `cat launcher jar > out`;
#   - vandrel-pack packing a 1 GiB JAR with the win32 launcher vs `cp` of
#     the JAR, and its peak memory (/usr/bin/time -v), when build/win32 has
#     the launcher;
#   - the sizes of the win32 vandrel.exe, the win64 launcher and the win32
#     tunegate.dll (from build/win32 and build/win64, when they are built).
# Every VM gets the packed program's options: -Xmx256m and application.home.
#
# Needs the linux build (built here, and a release tree with the archive
# configuration under build/bench) and Debian's clojure package: installed
# here with apt-get when missing and run as root, else install it first
# (apt-get install clojure). Pairs per row: BENCH_PAIRS (sample, default 10),
# BENCH_CLOJURE_PAIRS (default 10), BENCH_PACK_PAIRS (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

pairs=${BENCH_PAIRS:-10}
clojure_pairs=${BENCH_CLOJURE_PAIRS:-10}
pack_pairs=${BENCH_PACK_PAIRS:-3}

clojure_jar=/usr/share/java/clojure.jar
if [ ! -f "$clojure_jar" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clojure >/dev/null
  else
    echo "bench: Debian's clojure package is needed: sudo apt-get install clojure" >&2
    exit 1
  fi
fi

[ -f build/linux/CMakeCache.txt ] || cmake --preset linux >/dev/null
cmake --build --preset linux --target vandrel vandrel-pack sample_jar >/dev/null
java_home=$(sed -n 's/^VANDREL_JDK_HOME:PATH=//p' build/linux/CMakeCache.txt)
java_home=${java_home:-/usr/lib/jvm/default-java}
java="$java_home/bin/java"
libjvm="$java_home/lib/server/libjvm.so"

work="$root/build/bench"
mkdir -p "$work"
vandrel="$root/build/linux/launcher/vandrel"
sample_jar="$root/build/linux/examples/sample.jar"
unset CLASSPATH JAVA_TOOL_OPTIONS _JAVA_OPTIONS JDK_JAVA_OPTIONS _JAVA_LAUNCHER_DEBUG

# A launcher whose value 5 is the recipe of docs/startup.md for Java 13 and later.
archive="$work/clojure.jsa"
cds_build="$work/cds-launcher"
cmake -S "$root" -B "$cds_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVANDREL_JDK_HOME="$java_home" \
  -DVANDREL_VM_ARGUMENTS="-Xmx256m\n-XX:+IgnoreUnrecognizedVMOptions\n-XX:SharedArchiveFile=$archive\n-Xlog:cds*=off" \
  >/dev/null
cmake --build "$cds_build" --target vandrel >/dev/null

# A launcher with a start-up cache, for Temurin 25.
temurin=${BENCH_TEMURIN:-/usr/lib/jvm/temurin-25-jdk-amd64}
startup_cache="$work/startup-cache"
if [ -x "$temurin/bin/java" ]; then
  cache_build="$work/cache-launcher"
  cmake -S "$root" -B "$cache_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DVANDREL_JDK_HOME="$java_home" -DVANDREL_STARTUP_CACHE="$startup_cache" >/dev/null
  cmake --build "$cache_build" --target vandrel >/dev/null
fi

# A launcher that always runs the runtime's java as a separate process.
separate_build="$work/separate-launcher"
cmake -S "$root" -B "$separate_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVANDREL_JDK_HOME="$java_home" -DVANDREL_SEPARATE_PROCESS=always >/dev/null
cmake --build "$separate_build" --target vandrel >/dev/null

# The in-process floor.
cc -O2 -Wall -Werror -I"$java_home/include" -I"$java_home/include/linux" -o "$work/floor" bench/floor.c -ldl

# Clojure as one JAR: clojure.jar with the classes of the jars its manifest's
# Class-Path names. Java 17 archives no class of a Class-Path entry given by
# absolute path (it looks for the entry under the JAR's own directory), so
# Debian's clojure.jar loads the classes of those jars from the jars themselves on
# every start.
whole_jar="$work/clojure-whole.jar"
if [ ! -f "$whole_jar" ]; then
  rm -rf "$work/whole" && mkdir -p "$work/whole"
  class_path=$(unzip -p "$clojure_jar" META-INF/MANIFEST.MF | tr -d '\r' | sed ':a;N;$!ba;s/\n //g' |
    sed -n 's/^Class-Path: //p')
  (cd "$work/whole" && unzip -qo "$clojure_jar" && for jar in $class_path; do unzip -qo "$jar" -x 'META-INF/*'; done)
  printf 'Manifest-Version: 1.0\nMain-Class: clojure.main\n' > "$work/whole.mf"
  rm -f "$work/whole/META-INF/MANIFEST.MF"
  "$java_home/bin/jar" --create --file "$whole_jar" --manifest "$work/whole.mf" -C "$work/whole" .
  rm -rf "$work/whole" "$work/whole.mf"
fi

# The programs: the sample and Clojure packed, Clojure also packed by the
# archive-configured launcher (as it is, and as one JAR).
"$vandrel" "$sample_jar" "$work/sample" >/dev/null
"$vandrel" "$clojure_jar" "$work/clojure" >/dev/null
"$cds_build/launcher/vandrel" "$clojure_jar" "$work/clojure-cds" >/dev/null
cat "$separate_build/launcher/vandrel" "$sample_jar" >"$work/sample-separate" && chmod 755 "$work/sample-separate"
cat "$separate_build/launcher/vandrel" "$clojure_jar" >"$work/clojure-separate" && chmod 755 "$work/clojure-separate"
"$cds_build/launcher/vandrel" "$whole_jar" "$work/clojure-whole-cds" >/dev/null

# train PROGRAM: makes the archive for PROGRAM by one training run, as
# docs/startup.md says. Both archive rows share the launcher, so each trains first.
train() {
  rm -f "$archive"
  "$java" -XX:ArchiveClassesAtExit="$archive" -Xmx256m -Dapplication.home="$work" -cp "$1" \
    clojure.main -e '(println)' >/dev/null 2>&1
  [ -f "$archive" ] || { echo "bench: the training run made no archive" >&2; exit 1; }
}

vm_options=(-Xmx256m -Dapplication.home="$work")
clj=(-e '(println)')

# run_us COMMAND...: runs it once, output discarded; sets `elapsed` to its
# wall time in microseconds. A failing command ends the bench.
run_us() {
  local start=${EPOCHREALTIME/[.,]/}
  if ! "$@" >/dev/null 2>&1; then
    echo "bench: failed: $*" >&2
    exit 1
  fi
  local end=${EPOCHREALTIME/[.,]/}
  elapsed=$((end - start))
}

rows=()
# pair_row LABEL REFERENCE PAIRS A B [SETTLE]: A and B name functions that
# run one command each; SETTLE, when given, runs unmeasured after each A. Adds
# a row of the table.
pair_row() {
  local label=$1 reference=$2 count=$3 a=$4 b=$5 settle=${6:-true} i
  local times_a=() times_b=()
  run_us "$a"
  "$settle"
  run_us "$b"
  for ((i = 0; i < count; i++)); do
    run_us "$a"; times_a+=("$elapsed")
    "$settle"
    run_us "$b"; times_b+=("$elapsed")
  done
  rows+=("$(printf '%s\n' "${times_a[@]}" | paste - <(printf '%s\n' "${times_b[@]}") | awk -v label="$label" \
    -v reference="$reference" -v n="$count" '
    function median(v, k,   t, i, j, x) {
      for (i = 1; i <= k; i++) t[i] = v[i]
      for (i = 2; i <= k; i++) { x = t[i]; for (j = i - 1; j >= 1 && t[j] > x; j--) t[j + 1] = t[j]; t[j + 1] = x }
      return (k % 2) ? t[(k + 1) / 2] : (t[k / 2] + t[k / 2 + 1]) / 2
    }
    { a[NR] = $1; b[NR] = $2; r[NR] = $1 / $2
      if (NR == 1 || r[NR] < lo) lo = r[NR]
      if (NR == 1 || r[NR] > hi) hi = r[NR] }
    END { printf "%-50s %9.1f %9.1f   %5.3f  %5.3f  %5.3f   %s (%d pairs)\n", label, median(a, NR) / 1000,
            median(b, NR) / 1000, median(r, NR), lo, hi, reference, n }')")
}

sample_packed() { "$work/sample" a -Jb c; }
sample_java() { "$java" "${vm_options[@]}" -cp "$sample_jar" sample.Main b a c; }
clojure_packed() { "$work/clojure" "${clj[@]}"; }
clojure_cds() { "$work/clojure-cds" "${clj[@]}"; }
clojure_whole_cds() { "$work/clojure-whole-cds" "${clj[@]}"; }
clojure_java_cp() { "$java" "${vm_options[@]}" -cp "$clojure_jar" clojure.main "${clj[@]}"; }
clojure_java_jar() { "$java" "${vm_options[@]}" -jar "$clojure_jar" "${clj[@]}"; }
clojure_floor() { "$work/floor" "$libjvm" "$work/clojure" clojure/main "${vm_options[@]}" -- "${clj[@]}"; }

pair_row "sample: packed / java -cp" "java -cp sample.jar" "$pairs" sample_packed sample_java
pair_row "Clojure: packed / java -cp" "java -cp clojure.jar" "$clojure_pairs" clojure_packed clojure_java_cp
pair_row "Clojure: packed / java -jar" "java -jar clojure.jar" "$clojure_pairs" clojure_packed clojure_java_jar
train "$work/clojure-cds"
pair_row "Clojure: packed with archive / java -cp" "java -cp clojure.jar, no archive" "$clojure_pairs" \
  clojure_cds clojure_java_cp
train "$work/clojure-whole-cds"
pair_row "Clojure, one JAR: packed with archive / java -cp" "java -cp clojure.jar, no archive" "$clojure_pairs" \
  clojure_whole_cds clojure_java_cp
sample_separate() { "$work/sample-separate" a -Jb c; }
sample_java_jar() { "$java" "${vm_options[@]}" -jar "$sample_jar" b a c; }
clojure_separate() { "$work/clojure-separate" "${clj[@]}"; }
pair_row "sample: separate process / in-process" "the same program in-process" "$pairs" \
  sample_separate sample_packed
pair_row "sample: separate process / java -jar" "java -jar sample.jar" "$pairs" sample_separate sample_java_jar
pair_row "Clojure: separate process / in-process" "the same program in-process" "$clojure_pairs" \
  clojure_separate clojure_packed
pair_row "Clojure: separate process / java -jar" "java -jar clojure.jar" "$clojure_pairs" \
  clojure_separate clojure_java_jar
pair_row "Clojure: packed / in-process floor" "bench/floor.c on the packed file" "$clojure_pairs" \
  clojure_packed clojure_floor
if [ -x "$temurin/bin/java" ]; then
  "$cache_build/launcher/vandrel" "$whole_jar" "$work/clojure-whole-cache" >/dev/null
  clojure_whole_cache() { JAVA_HOME="$temurin" "$work/clojure-whole-cache" "${clj[@]}"; }
  clojure_whole_cache_first() { rm -rf "$startup_cache" && clojure_whole_cache; }
  clojure_whole_java25() { "$temurin/bin/java" "${vm_options[@]}" -jar "$whole_jar" "${clj[@]}"; }
  # Waits for the detached process that assembles the cache (at most 3 minutes).
  cache_assembled() {
    local i
    for ((i = 0; i < 1800; i++)); do
      compgen -G "$startup_cache/*.aot" >/dev/null && ! compgen -G "$startup_cache/*.aotconf" >/dev/null && return
      sleep 0.1
    done
    echo "bench: no start-up cache was assembled" >&2
    exit 1
  }
  pair_row "Clojure, one JAR, Java 25: first start / java -jar" "java -jar, Java 25, no cache" "$clojure_pairs" \
    clojure_whole_cache_first clojure_whole_java25 cache_assembled
  pair_row "Clojure, one JAR, Java 25: start-up cache / java -jar" "java -jar, Java 25, no cache" \
    "$clojure_pairs" clojure_whole_cache clojure_whole_java25
  cache_size=$(du -sb "$startup_cache" | cut -f1)
fi

# Packaging a 500 MB JAR: one large stored entry of random bytes, made once.
big_jar="$work/big.jar"
if [ ! -f "$big_jar" ]; then
  rm -rf "$work/big"
  mkdir -p "$work/big"
  head -c $((500 * 1024 * 1024)) /dev/urandom > "$work/big/random.bin"
  "$java_home/bin/jar" --create --no-compress --file "$big_jar" -C "$work/big" random.bin
  rm -rf "$work/big"
fi
pack_big() { "$vandrel" "$big_jar" "$work/big-packed"; }
cat_big() { cat "$vandrel" "$big_jar" > "$work/big-cat"; }
pair_row "packaging $(($(stat -c %s "$big_jar") / 1048576)) MB JAR: vandrel / cat" "cat launcher jar > out" \
  "$pack_pairs" pack_big cat_big
cmp -s "$work/big-packed" "$work/big-cat" && same="outputs identical" || same="outputs DIFFERENT"
rm -f "$work/big-packed" "$work/big-cat"

# vandrel-pack on a 1 GiB JAR, against copying the JAR alone.
pack_tool="$root/build/linux/packtool/vandrel-pack"
win_launcher="$root/build/win32/launcher/vandrel.exe"
gib_jar="$work/gib.jar"
peak="(the win32 launcher is not built)"
if [ -f "$win_launcher" ]; then
  if [ ! -f "$gib_jar" ]; then
    rm -rf "$work/gib" && mkdir -p "$work/gib"
    head -c $((1024 * 1024 * 1024)) /dev/urandom > "$work/gib/random.bin"
    "$java_home/bin/jar" --create --no-compress --file "$gib_jar" -C "$work/gib" random.bin
    rm -rf "$work/gib"
  fi
  pack_gib() { "$pack_tool" --launcher "$win_launcher" "$gib_jar" "$work/gib-packed.exe"; }
  cp_gib() { cp "$gib_jar" "$work/gib-copy"; }
  pair_row "vandrel-pack, $(($(stat -c %s "$gib_jar") / 1048576)) MB JAR / cp" "cp jar out" "$pack_pairs" pack_gib cp_gib
  peak=$(/usr/bin/time -v "$pack_tool" --launcher "$win_launcher" "$gib_jar" "$work/gib-packed.exe" 2>&1 >/dev/null |
    sed -n 's/.*Maximum resident set size (kbytes): //p')
  peak="$peak KiB"
  rm -f "$work/gib-packed.exe" "$work/gib-copy"
fi

size_row() {
  local label=$1 file=$2
  if [ -f "$file" ]; then
    local size
    size=$(stat -c %s "$file")
    printf '%-50s %9d bytes (%.1f KiB)\n' "$label" "$size" "$(awk -v s="$size" 'BEGIN { print s / 1024 }')"
  else
    printf '%-50s (not built)\n' "$label"
  fi
}

echo "wall times in ms, medians; ratio A/B per alternating pair: median, min, max"
printf '%-50s %9s %9s   %5s  %5s  %5s   %s\n' "A / B" "A ms" "B ms" "ratio" "min" "max" "B is"
printf '%s\n' "${rows[@]}"
size_row "win32 vandrel.exe" "$root/build/win32/launcher/vandrel.exe"
size_row "win64 vandrel.exe" "$root/build/win64/launcher/vandrel.exe"
size_row "win32 tunegate.dll" "$root/build/win32/mcibridge/tunegate.dll"
size_row "win64 tunegate.dll" "$root/build/win64/mcibridge/tunegate.dll"
echo "vandrel-pack's peak memory packing the 1 GiB JAR: $peak"
echo "packaging: $same; archives: made by one training run each, the last $(stat -c %s "$archive") bytes"
[ -z "${cache_size:-}" ] || echo "start-up cache: ${cache_size} bytes (Java 25)"
