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

# Value 8 keeps its line feeds in the resource script (the system's own Java
# is found wherever JAVA_HOME points, so the message is not printed here).
grep -qF '8 "Install Java 17 first.\nThen try again.\n# ' "$build_dir/launcher/vandrel.rc" \
  || fail "value 8 missing from the resource script"

# Values 8 and 9 are formats: the build refuses conversions they may not hold.
for value in 'VANDREL_NO_RUNTIME_MESSAGE=Needs Java %s' 'VANDREL_BAD_VERSION_MESSAGE=Java %s %n'; do
  rm -rf "$build_dir.refused"
  if cmake -S "$source_dir" -B "$build_dir.refused" -G "$generator" -DBUILD_TESTING=OFF "-D$value" \
       >"$build_dir.refused.log" 2>&1; then
    fail "configured with -D$value"
  fi
  grep -q "${value%%=*} is printed as a printf format" "$build_dir.refused.log" || fail "no reason given for -D$value"
done
rm -rf "$build_dir.refused"

# The shipped build keeps the shipped texts.
grep -qF '5 "-Xmx256m# Arguments passed to the JVM' "$source_dir/launcher/resources/vandrel.rc" || fail "shipped value 5"
echo "configured build carries its values"
