#!/usr/bin/env bash
# The settings that travel with a program, in a packed Linux program run as
# its users run it.
#   settings_test.sh settings|startup_cache LAUNCHER JAR DIR TEMURIN25_HOME
# settings: %EXEDIR% and texts that stay as written in value 5, a version
# marker, the working directory, the options file changing the heap, and one
# instance at a time. startup_cache (Temurin 25): the first run records and
# the cache appears after it, the user's files beside it survive, the second
# run uses it, a damaged one is passed over silently, an updated program
# ending through System.exit keeps its status and gets a new cache, options
# that choose sharing and a full disk leave the cache out silently.
set -u
part=$1 launcher=$2 jar=$3 dir=$4 temurin=$5
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$dir" && mkdir -p "$dir/work" || fail "scratch directory"
dir=$(cd "$dir" && pwd -P)
unset JAVA_TOOL_OPTIONS _JAVA_OPTIONS JDK_JAVA_OPTIONS CLASSPATH _JAVA_LAUNCHER_DEBUG
export XDG_RUNTIME_DIR=$dir  # the single-instance lock
app=$dir/app
cat "$launcher" "$jar" >"$app" && chmod 755 "$app" || fail "packing"

# Runs the program from the scratch directory; sets out, err and status.
run() {
  out=$(cd "$dir" && "$@" 2>"$dir/err"); status=$?
  err=$(cat "$dir/err")
}
expected() {
  printf 'app.dir %s\nkept %%NOPE%% kill %%p 100%%\nmarked %s\nuser.dir %s/work' "$dir" "$1" "$dir"
}

if [ "$part" = settings ]; then
  run "$app"
  [ "$status" = 0 ] && [ -z "$err" ] || fail "status $status, err: $err"
  [ "${out%$'\n'heap *}" = "$(expected older)" ] || fail "output: $out"
  heap=${out##*heap }
  [ "$heap" -gt 200 ] || fail "heap $heap MB with value 5's -Xmx256m"

  # The options file beside the program, never the one of the working
  # directory; a byte-order mark, and a blank after a marker, are no part of
  # an option; a FIFO is no options file.
  printf -- '-agentpath:/planted.so\n' >"$dir/work/app.vmoptions"
  printf '# a smaller heap\r\n  -Xmx64m  \r\n\n[25+]-Dmarked=file\n' >"$dir/app.vmoptions"
  run "$app"
  heap=${out##*heap }
  [ "$status" = 0 ] && [ "$heap" -le 64 ] || fail "options file: status $status, heap $heap MB: $err"
  printf '\xEF\xBB\xBF-Xmx64m\n[17+] -Dmarked=file\n' >"$dir/app.vmoptions"
  run "$app"
  [ "$status" = 0 ] && [[ "$out" == *"marked file"* ]] && [ "${out##*heap }" -le 64 ] ||
    fail "options file with a byte-order mark: status $status, out $out: $err"
  rm "$dir/app.vmoptions" "$dir/work/app.vmoptions" && mkfifo "$dir/app.vmoptions" "$dir/work/app.vmoptions"
  run timeout 60 "$app"
  [ "$status" = 0 ] || fail "a FIFO as the options file: status $status: $err"
  rm "$dir/app.vmoptions" "$dir/work/app.vmoptions"

  # A folder name holding a line feed stays one option.
  folder=$dir/line$'\n'feed
  mkdir -p "$folder/work" && cp "$app" "$folder/app"
  run "$folder/app"
  [ "$status" = 0 ] && [[ "$out" == "app.dir $folder"$'\n'* ]] || fail "a line feed in the folder: status $status: $err"
  rm -rf "$folder"

  # Configured, the bare launcher packs files of the directory it was started
  # in: it enters no working directory.
  mkdir "$dir/bare" "$dir/pack" && cp "$launcher" "$dir/bare/custom" && cp "$jar" "$dir/pack/rel.jar"
  out=$(cd "$dir/pack" && "$dir/bare/custom" rel.jar rel 2>&1); status=$?
  [ "$status" = 0 ] && [ -x "$dir/pack/rel" ] || fail "the configured bare launcher: status $status: $out"
  rm -rf "$dir/bare" "$dir/pack"

  # One instance at a time: a second start while the first runs is refused.
  (cd "$dir" && exec "$app" wait "$dir/started" "$dir/release" >"$dir/first.out" 2>&1) &
  first=$!
  for _ in $(seq 300); do [ -e "$dir/started" ] && break; sleep 0.1; done
  [ -e "$dir/started" ] || { kill $first; fail "the first instance did not start: $(cat "$dir/first.out")"; }
  run "$app"
  touch "$dir/release"
  wait $first || fail "the first instance failed: $(cat "$dir/first.out")"
  [ "$status" = 1 ] && [ -z "$out" ] && [ "$err" = "app is already running." ] ||
    fail "second instance: status $status, out '$out', err '$err'"
  run "$app"
  [ "$status" = 0 ] || fail "a start after the first instance ended: status $status: $err"
  # Without a folder of the user's, the lock lies in one of /tmp named after
  # the user; in a folder others can write there is none.
  rm -f "/tmp/vandrel-$(id -u)/vandrel-settings-test.lock"
  run env -u XDG_RUNTIME_DIR -u XDG_CACHE_HOME -u HOME "$app"
  [ "$status" = 0 ] && [ -e "/tmp/vandrel-$(id -u)/vandrel-settings-test.lock" ] ||
    fail "no folder of the user's: status $status: $err"
  mkdir -m 777 "$dir/shared"
  (cd "$dir" && XDG_RUNTIME_DIR=$dir/shared exec "$app" wait "$dir/started2" "$dir/release2" >"$dir/first.out" 2>&1) &
  first=$!
  for _ in $(seq 300); do [ -e "$dir/started2" ] && break; sleep 0.1; done
  XDG_RUNTIME_DIR=$dir/shared run "$app"
  touch "$dir/release2"
  wait $first
  [ "$status" = 0 ] || fail "a lock folder others can write: status $status, err '$err'"

  # A working directory that cannot be entered.
  rmdir "$dir/work"
  run "$app"
  [ "$status" = 1 ] && [ -z "$out" ] && [ "$err" = "Can't launch: can't enter 'work'" ] ||
    fail "missing working directory: status $status, out '$out', err '$err'"
  echo "settings reach the program"
  exit 0
fi

[ -x "$temurin/bin/java" ] || { echo "SKIP: no Temurin 25 in $temurin"; exit 77; }
export JAVA_HOME=$temurin
cache_files() { ls "$dir/cache" 2>/dev/null | grep '^app_25' | tr '\n' ' '; }
# The cache is assembled by a detached process after the program ends.
wait_for_cache() {
  for _ in $(seq 1200); do [[ "$(cache_files)" == app_25.*.aot\  ]] && return; sleep 0.1; done
  fail "no cache after the first run: '$(cache_files)'"
}
plain() { [ "$status" = "${1:-0}" ] && [ -z "$err" ] && [ "${out%$'\n'heap *}" = "$(expected 25)" ]; }

mkdir -p "$dir/cache" && echo "saved" >"$dir/cache/app_save_slot_3.dat" && echo "q1" >"$dir/cache/app_2024_q1_report.txt"
run "$app"
plain || fail "first run: status $status, out: $out, err: $err"
wait_for_cache
made=$(cache_files)
[ "$(cat "$dir/cache/app_save_slot_3.dat" "$dir/cache/app_2024_q1_report.txt")" = $'saved\nq1' ] ||
  fail "the user's files beside the cache"
rm "$dir/cache/app_save_slot_3.dat" "$dir/cache/app_2024_q1_report.txt"

JAVA_TOOL_OPTIONS=-Xlog:class+load=info run "$app"
[ "$status" = 0 ] && [[ "$out" == *"settings.Probe source: shared objects file"* ]] ||
  fail "second run did not load from the cache: status $status: ${out:0:2000}"

# A damaged cache: the program starts, and nothing is said.
file=$dir/cache/${made% }
head -c 4096 "$file" >"$file.cut" && mv "$file.cut" "$file"
run "$app"
plain || fail "damaged cache: status $status, out: $out, err: $err"

# An updated program, ending through System.exit: its status, then a new
# cache in place of the old one.
touch -d '2001-01-01' "$app"
run "$app" exit 3
[ "$status" = 3 ] && [ -z "$err" ] || fail "updated program: status $status: $err"
wait_for_cache
now=$(cache_files)
[ "$now" != "$made" ] || fail "after an update: '$now' (before: '$made')"

# Options of the program's own that choose sharing: no cache, the program starts.
for option in -Xshare:off "-XX:SharedArchiveFile=$dir/x.jsa -Xlog:cds=off" -XX:AOTMode=off; do
  rm -rf "$dir/cache" && printf '%s\n' $option >"$dir/app.vmoptions"
  run "$app"
  plain || fail "$option: status $status, out: $out, err: $err"
  [ -z "$(cache_files)" ] || fail "$option: a cache attempt: $(cache_files)"
done
rm "$dir/app.vmoptions"

# A record that cannot be written (a file-size limit, as a quota): the
# program's status, nothing said, and the next start waits.
rm -rf "$dir/cache"
for _ in 1 2; do
  out=$(cd "$dir" && trap '' XFSZ && ulimit -f 4096 && exec "$app" 2>"$dir/err"); status=$?
  err=$(cat "$dir/err")
  plain || fail "record past the limit: status $status, out: $out, err: $err"
done

# A full disk: the program starts as it would without a cache, every time.
rm -rf "$dir/cache" && mkdir -m 700 "$dir/cache"
if mount -t tmpfs -o size=4m,mode=700 tmpfs "$dir/cache" 2>/dev/null; then
  head -c 3m /dev/zero >"$dir/cache/filler"
  for _ in 1 2; do
    run "$app" exit 4
    [ "$status" = 4 ] && [ -z "$err" ] || { umount "$dir/cache"; fail "full disk: status $status, err: $err"; }
  done
  umount "$dir/cache"
else
  echo "(no tmpfs can be mounted here: the full-disk row is left out)"
fi
echo "the start-up cache is made after the program ends, used, passed over when damaged or untrusted"
