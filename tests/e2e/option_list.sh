#!/usr/bin/env bash
# Runs real launchers against the recording runtime double and checks the
# option list each one hands to VM creation, line by line.
#   option_list.sh SHIPPED LINES COMMENT DOUBLE BUILD_DIR VIEW
# SHIPPED is the launcher with the shipped string table; it finds the double
# through the runtime registry: under Wine (VIEW 32 or 64) keys written with
# "reg add /reg:VIEW", on POSIX (VIEW none) a runtime home named by JAVA_HOME.
# LINES and COMMENT are variants whose value 2 names the double relative to
# their own directory. Each launcher is copied into a directory whose name
# holds a blank before it runs.
set -u
shipped="$1" lines="$2" comment="$3" double="$4" build_dir="$5" view="$6"

work="$(mktemp -d "$build_dir/option_list.XXXXXX")"
runtime_key='HKLM\Software\JavaSoft\Java Runtime Environment'
cleanup() {
  if [ "$view" != none ]; then
    wine reg delete "$runtime_key" /f "/reg:$view" >/dev/null 2>&1
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The path by which the launcher's process knows a file.
native_path() {
  if [ "$view" = none ]; then
    printf '%s' "$1"
  else
    winepath -w "$1" 2>/dev/null | tr -d '\r'
  fi
}

# run_launcher NAME EXE [VAR=VALUE...]: runs EXE from its own directory,
# named by its full path, with the record going to $work/NAME.record; leaves
# its standard error in $work/NAME.err and its exit status in $status.
run_launcher() {
  local name="$1" exe="$2"
  shift 2
  local record="$work/$name.record"
  : >"$record"
  local runner=()
  [ "$view" != none ] && runner=(wine)
  (cd "$(dirname "$exe")" &&
    env -u CLASSPATH -u classpath -u _JAVA_LAUNCHER_DEBUG VANDREL_JVM_RECORD="$(native_path "$record")" "$@" \
      "${runner[@]}" "$exe" some argument >"$work/$name.out" 2>"$work/$name.err")
  status=$?
}

# expect_record NAME LINE...: the record holds exactly these lines, and the
# launcher failed as it must when the runtime refuses to create the VM.
expect_record() {
  local name="$1"
  shift
  local expected="$work/$name.expected"
  printf '%s\n' "$@" >"$expected"
  if ! cmp -s "$expected" "$work/$name.record"; then
    fail "$name: recorded option list differs (expected, then recorded):"
    cat -A "$expected"
    echo "----"
    cat -A "$work/$name.record"
  fi
  [ "$status" = 1 ] || fail "$name: exit status $status instead of 1"
  if ! tr -d '\r' <"$work/$name.err" | grep -qx 'Could not create the Java virtual machine.'; then
    fail "$name: standard error lacks the creation failure:"
    cat "$work/$name.err"
  fi
}

# Copies a launcher into "$work/NAME dir/", keeping its file name.
place() {
  local name="$1" exe="$2"
  mkdir -p "$work/$name dir"
  cp "$exe" "$work/$name dir/"
  printf '%s' "$work/$name dir/$(basename "$exe")"
}

# The shipped launcher finds the double through the runtime registry.
game="$(place shipped "$shipped")"
if [ "$view" = none ]; then
  home="$work/runtime"
  mkdir -p "$home/lib/server"
  printf 'JAVA_VERSION="17.0.2"\n' >"$home/release"
  cp "$double" "$home/lib/server/libjvm.so"
  runtime_env=(JAVA_HOME="$home")
else
  wine reg add "$runtime_key" /v CurrentVersion /t REG_SZ /d 1.8 /f "/reg:$view" >/dev/null 2>&1 ||
    fail "registry: could not write CurrentVersion"
  wine reg add "$runtime_key\\1.8" /v RuntimeLib /t REG_SZ /d "$(native_path "$double")" /f "/reg:$view" \
    >/dev/null 2>&1 || fail "registry: could not write RuntimeLib"
  runtime_env=()
fi
game_home="$(native_path "$(dirname "$game")")"
game_file="$(native_path "$game")"

run_launcher shipped "$game" "${runtime_env[@]}"
expect_record shipped "version 0x00010002" "ignoreUnrecognized 0" "nOptions 3" \
  "option -Dapplication.home=$game_home" "option -Xmx256m" "option -Djava.class.path=$game_file"

classpath='C:\lib\first.jar;second dir\b.jar'
run_launcher shipped_classpath "$game" "${runtime_env[@]}" CLASSPATH="$classpath"
expect_record shipped_classpath "version 0x00010002" "ignoreUnrecognized 0" "nOptions 4" \
  "option -Denv.class.path=$classpath" "option -Dapplication.home=$game_home" "option -Xmx256m" \
  "option -Djava.class.path=$game_file"

if [ "$view" != none ]; then
  # The environment's names compare without regard to letter case there.
  run_launcher shipped_lower_case "$game" "${runtime_env[@]}" classpath="$classpath"
  expect_record shipped_lower_case "version 0x00010002" "ignoreUnrecognized 0" "nOptions 4" \
    "option -Denv.class.path=$classpath" "option -Dapplication.home=$game_home" "option -Xmx256m" \
    "option -Djava.class.path=$game_file"
fi

# The variants find the double through value 2, relative to their own
# directory: they run where they were built.
lines_home="$(native_path "$(dirname "$lines")")"
run_launcher lines "$lines"
expect_record lines "version 0x00010002" "ignoreUnrecognized 0" "nOptions 6" \
  "option -Dapplication.home=$lines_home" "option -Dfirst=1" "option -Dsecond=2" "option " "option -Dthird=3 " \
  "option -Djava.class.path=$(native_path "$lines")"

comment_home="$(native_path "$(dirname "$comment")")"
run_launcher comment "$comment"
expect_record comment "version 0x00010002" "ignoreUnrecognized 0" "nOptions 2" \
  "option -Dapplication.home=$comment_home" "option -Djava.class.path=$(native_path "$comment")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "all option lists as expected"
