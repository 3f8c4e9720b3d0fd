#!/usr/bin/env bash
# Under a Latin-1 locale (LC_ALL and LOCPATH set by the caller) with the
# default charset set to UTF-8 through JAVA_TOOL_OPTIONS (the split that Java
# 18 makes everywhere), a packed program sees the byte 0xE9 of its arguments
# as "é", as java -cp does, and launches from a directory whose name holds
# that byte. A launcher whose value 6 is "café" hands it over the same way.
#   latin1_locale_test.sh VANDREL ARGS_JAR JAVA WORK_DIR TEXT_VALUES_VANDREL
set -u
vandrel=$1 jar=$2 java=$3 work=$4 text_values=$5
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
[ "$(LC_ALL=$LC_ALL locale charmap 2>/dev/null)" = ISO-8859-1 ] || fail "the Latin-1 locale is not in force"
unset JAVA_HOME _JAVA_LAUNCHER_DEBUG

dir="$work/r"$'\xe9'"pertoire"
mkdir -p "$dir"
(cd "$dir" && "$vandrel" "$jar" app >/dev/null) || fail "packing into a Latin-1 directory name"
arg=$'caf\xe9'
expected=$("$java" -cp "$jar" probe.Args "$arg" 2>/dev/null | grep '^arg\[0\]')
[ "$expected" = $'arg[0] caf\xc3\xa9' ] || fail "java -cp printed: $expected"
out=$("$dir/app" "$arg" 2>&1)
line=$(printf '%s\n' "$out" | grep '^arg\[0\]')
[ "$line" = "$expected" ] || fail "the packed program printed: $out"
home=$(printf '%s\n' "$out" | grep '^application.home')
# Printed in UTF-8, the default charset.
[ "$home" = "application.home $work/r"$'\xc3\xa9'"pertoire" ] || fail "application.home: $home"
"$text_values" "$jar" "$work/app6" >/dev/null || fail "packing with the text-values launcher"
for locale in "$LC_ALL" C.UTF-8; do
  line=$(LC_ALL=$locale "$work/app6" 2>/dev/null | grep '^arg\[0\]')
  [ "$line" = $'arg[0] caf\xc3\xa9' ] || fail "value 6 arrived under $locale as: $line"
done
echo "Latin-1 arguments and directory names arrive intact"
