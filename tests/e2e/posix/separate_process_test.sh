#!/usr/bin/env bash
# A program whose only fitting runtime has a foreign libjvm.so runs through
# that runtime's java as java -jar of its JAR runs; "never" refuses as before.
#   separate_process_test.sh LAUNCHER LAUNCHER_NEVER JAR_DIR DIR TEMURIN25_HOME
# Both launchers take Java 21 and later: Debian's Java 17 does not fit.
set -u
launcher=$1 never=$2 jars=$3 dir=$4 temurin=$5
fail() { echo "FAIL: $*"; exit 1; }
[ -x "$temurin/bin/java" ] || { echo "SKIP: no Temurin 25 in $temurin"; exit 77; }
rm -rf "$dir" && mkdir -p "$dir/rt/lib/server" "$dir/rt/bin" "$dir/work" || fail "scratch directory"
dir=$(cd "$dir" && pwd -P)
# An ARM64 libjvm.so (its ELF header is all the search reads) and a real java.
printf '\177ELF\002\001\001\000\000\000\000\000\000\000\000\000\003\000\267\000' >"$dir/rt/lib/server/libjvm.so"
ln -s "$temurin/bin/java" "$dir/rt/bin/java" && cp "$temurin/release" "$dir/rt/release" || fail "runtime folder"
unset JAVA_TOOL_OPTIONS _JAVA_OPTIONS JDK_JAVA_OPTIONS CLASSPATH _JAVA_LAUNCHER_DEBUG
export JAVA_HOME=$dir/rt PATH=/usr/bin:/bin
for name in args opens throws settings; do cp "$jars/$name.jar" "$dir/" || fail "copying $name.jar"; done
for name in opens throws settings; do cat "$launcher" "$jars/$name.jar" >"$dir/$name" && chmod 755 "$dir/$name"; done
cat "$never" "$jars/args.jar" >"$dir/never" && chmod 755 "$dir/never" || fail "packing"

# Runs a command in the working directory; sets out, err and status.
run() {
  out=$(cd "$dir/work" && "$@" 2>"$dir/err"); status=$?
  err=$(cat "$dir/err")
}
# Program `name` and java -jar of its JAR give the same status, standard
# error and lines of output matching `lines`.
same_as_java() {
  local name=$1 lines=$2; shift 2
  run "$dir/$name" "$@"
  local packed=$out packed_status=$status packed_err=$err
  run "$temurin/bin/java" -jar "$dir/$name.jar" "$@"
  local expected=${out//$name.jar/$name}
  [ "$packed_status" = "$status" ] || fail "$name: status $packed_status, java -jar $status: $packed_err"
  [ "$packed_err" = "${err//$name.jar/$name}" ] || fail "$name: standard error: $packed_err -- java -jar: $err"
  [ "$(grep -E "$lines" <<<"$packed")" = "$(grep -E "$lines" <<<"$expected")" ] ||
    fail "$name: output differs: $packed -- java -jar: $expected"
  [ -n "$(grep -E "$lines" <<<"$packed")$packed_err" ] || fail "$name: no output"
}

# The bare launcher packs without a VM, checking the source with its own reader.
run "$launcher" "$jars/args.jar" "$dir/args"
[ "$status" = 0 ] && [ "$(tail -1 <<<"$out")" = "Success!" ] || fail "bare launcher: status $status: $out $err"
run "$launcher" "$dir/rt/release" "$dir/not-packed"
[ "$status" = 2 ] && [ ! -e "$dir/not-packed" ] || fail "bare launcher, no archive: status $status: $out $err"
same_as_java args '^arg' 'a b' 'say "hi"' 'back\slash\' 'two\\"' '\\"\' 'é ü ß' '' '*' '-version' '@file'
same_as_java opens '.' x 'y z'
same_as_java throws '^$'
same_as_java settings '^(app.dir|kept|marked|user.dir) '
run "$dir/settings"
[ "${out##*heap }" -le 256 ] || fail "value 5's -Xmx256m did not reach the child: $out"

run env _JAVA_LAUNCHER_DEBUG= "$dir/args"
route="no 64-bit runtime fits; running the 64-bit ARM runtime 25 in '$dir/rt' as a separate process"
grep -qxF "$route" <<<"$out" || fail "trace without the route: $out"

# Ctrl-C ends the child, not the launcher. In a session of its own, SIGINT
# at its default (a script's background jobs ignore it).
interrupt() {
  rm -f "$dir/started" "$dir/release"
  (cd "$dir/work" && exec python3 -c 'import os, signal, sys
signal.signal(signal.SIGINT, signal.SIG_DFL)
os.setsid()
os.execv(sys.argv[1], sys.argv[1:])' "$dir/settings" wait "$dir/started" "$dir/release" >/dev/null 2>&1) &
  local pid=$! i
  for i in $(seq 300); do [ -e "$dir/started" ] && break; sleep 0.1; done
  [ -e "$dir/started" ] || { kill -9 -- -$pid; fail "interrupt: the program did not start"; }
  kill -INT -- "$1$pid"
  sleep 0.5
  touch "$dir/release"
  wait $pid
}
interrupt ""
[ $? = 0 ] || fail "SIGINT to the launcher alone ended it"
interrupt -
[ $? = 130 ] || fail "SIGINT to the group: status $?, not the child's 130"

run "$dir/never" x
[ "$status" = 1 ] && [ -z "$out" ] && [ "${err%%version*}" = "This program is not compatible with Java " ] ||
  fail "never: status $status, out '$out', err '$err'"
echo "a runtime of another machine type runs as java -jar runs"
