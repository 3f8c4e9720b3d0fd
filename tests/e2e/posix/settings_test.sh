#!/usr/bin/env bash
# The settings that travel with a program, in a packed Linux program run as
# its users run it.
#   settings_test.sh settings|startup_cache LAUNCHER JAR DIR TEMURIN25_HOME
# settings: %EXEDIR% and texts that stay as written in value 5, a version
# marker, the working directory, the options file changing the heap, and one
# instance at a time. startup_cache (Temurin 25): the first run makes the
# cache, the second uses it, a damaged one is passed over silently, an
# updated program gets a new one in place of the old.
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
cache_files() { ls "$dir/cache" 2>/dev/null | tr '\n' ' '; }

run "$app"
[ "$status" = 0 ] && [ "${out%$'\n'heap *}" = "$(expected 25)" ] || fail "first run: status $status, out: $out, err: $err"
# The VM assembles the cache in a child java process, which names its options.
[ -z "$(grep -v '^Picked up JAVA_TOOL_OPTIONS: ' "$dir/err")" ] || fail "first run said: $err"
made=$(cache_files)
[[ "$made" == app_25.*.aot\  ]] || fail "no cache after the first run: '$made'"

JAVA_TOOL_OPTIONS=-Xlog:class+load=info run "$app"
[ "$status" = 0 ] && [[ "$out" == *"settings.Probe source: shared objects file"* ]] ||
  fail "second run did not load from the cache: status $status: ${out:0:2000}"

# A damaged cache: the program starts, and nothing is said.
file=$dir/cache/${made% }
head -c 4096 "$file" >"$file.cut" && mv "$file.cut" "$file"
run "$app"
[ "$status" = 0 ] && [ -z "$err" ] && [ "${out%$'\n'heap *}" = "$(expected 25)" ] ||
  fail "damaged cache: status $status, out: $out, err: $err"

# An updated program: a new cache in place of the old one.
touch -d '2001-01-01' "$app"
run "$app"
[ "$status" = 0 ] || fail "updated program: status $status: $err"
now=$(cache_files)
[[ "$now" == app_25.*.aot\  ]] && [ "$now" != "$made" ] || fail "after an update: '$now' (before: '$made')"
echo "the start-up cache is made, used, and passed over when damaged"
