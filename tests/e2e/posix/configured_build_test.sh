#!/usr/bin/env bash
# Configures and builds a launcher with configuration values given on the
# CMake command line, and checks that the launcher carries them.
#   configured_build_test.sh SOURCE_DIR BUILD_DIR GENERATOR
set -u
source_dir=$1 build_dir=$2 generator=$3
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$build_dir"
cmake -S "$source_dir" -B "$build_dir" -G "$generator" -DBUILD_TESTING=OFF \
  -DVANDREL_VM_ARGUMENTS='-Xmx1g\n-Dconfigured.value=a;b c' \
  -DVANDREL_NO_RUNTIME_MESSAGE='Install Java 17 first.\nThen try again.\n' >"$build_dir.log" 2>&1 \
  || { cat "$build_dir.log"; fail "configure"; }
cmake --build "$build_dir" --target vandrel >>"$build_dir.log" 2>&1 || { cat "$build_dir.log"; fail "build"; }
launcher="$build_dir/launcher/vandrel"

# The value keeps its usual comment in the resource script.
grep -qF '5 "-Xmx1g\n-Dconfigured.value=a;b c# Arguments passed to the JVM' "$build_dir/launcher/vandrel.rc" \
  || fail "value 5 or its comment missing from the resource script"

# Value 5 reaches the VM option list, one option per line.
out=$(_JAVA_LAUNCHER_DEBUG= "$launcher" 2>&1)
expected_options="    option[ 1] = '-Xmx1g'
    option[ 2] = '-Dconfigured.value=a;b c'"
[[ "$out" == *"$expected_options"* ]] || fail "options not as configured: $out"

# Value 8 is printed when no runtime is found.
err=$(JAVA_HOME=/nonexistent/java "$launcher" 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "status $status without a runtime"
[ "$err" = $'Install Java 17 first.\nThen try again.' ] || fail "message: $err"

# The shipped build keeps the shipped texts.
grep -qF '5 "-Xmx256m# Arguments passed to the JVM' "$source_dir/launcher/resources/vandrel.rc" || fail "shipped value 5"
echo "configured build carries its values"
