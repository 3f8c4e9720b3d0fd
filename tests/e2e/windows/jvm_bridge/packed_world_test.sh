#!/usr/bin/env bash
# The Windows launcher through the test bridge, where packed programs meet
# the world: a damaged archive, a ZIP64 archive, and a packed program signed
# afterwards (and the bare launcher signed), each checked by running it.
#   packed_world_test.sh BRIDGE_DIR vandrel.exe args.jar zip_tool.exe WORK_DIR
# args.jar's main class prints "argc N" and "arg[i] ..." for each argument.
# VANDREL_VERSION in the environment: the release version the launcher prints.
set -u
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/bridge_registration.sh" || exit 1
register_bridge "$1" || exit 1
trap unregister_bridge EXIT
launcher=$2 jar=$3 zip_tool=$4 work=$5
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
cp "$launcher" vandrel.exe && cp "$jar" args.jar || exit 1

. "$scripts/../check.sh" || exit 1
# run PROGRAM ARGS...: sets out, err and status.
run() {
  wine "$@" </dev/null >out.txt 2>err.txt
  status=$?
  out=$(tr -d '\r' <out.txt) err=$(tr -d '\r' <err.txt)
}
# What probe.Args prints of its arguments.
arguments() { printf '%s\n' "$out" | grep -E '^(argc|arg\[)'; }

# A packed program whose archive does not open never acts as the packager.
head -c 70000 /dev/zero >zeros
cat vandrel.exe args.jar zeros >trailing.exe
cat vandrel.exe >truncated.exe && head -c $(($(stat -c %s args.jar) / 2)) args.jar >>truncated.exe
here="Z:$(pwd | tr / '\\')"  # wine names the program by its full path
for damaged in trailing.exe truncated.exe; do
  run "$damaged" args.jar out.exe
  check "$damaged: status, usage, message" "1||Can't launch: the application archive of '$here\\$damaged' is damaged" \
    "$status|$out|$err"
  check "$damaged: nothing written" "absent" "$([ -e out.exe ] && echo present || echo absent)"
done

# A ZIP64 archive (70,000 entries) is packed with its locator rebased, and runs.
wine "$zip_tool" zip64 args.jar big.jar 70000 || exit 1
run vandrel.exe big.jar big.exe
check "ZIP64 packed" "0|Creating executable 'big.exe' from 'big.jar'...
Success!" "$status|$out"
run big.exe one
check "ZIP64 program runs" "0|argc 1
arg[0] one|" "$status|$(arguments)|$err"

# Signed after packing: the signature verifies and the program runs.
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=vandrel test signer" \
  -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 || { echo "FAIL no certificate"; exit 1; }
run vandrel.exe args.jar app.exe
check "packed" "0" "$status"
osslsigncode sign -certs cert.pem -key key.pem -n app -in app.exe -out signed.exe >/dev/null || failed=1
check "signature verifies" "0" "$(osslsigncode verify -CAfile cert.pem -in signed.exe >/dev/null 2>&1; echo $?)"
run signed.exe "two words"
check "signed program runs" "0|argc 1
arg[0] two words|" "$status|$(arguments)|$err"

# The bare launcher signed is still the packager.
osslsigncode sign -certs cert.pem -key key.pem -in vandrel.exe -out signed-vandrel.exe >/dev/null || failed=1
run signed-vandrel.exe
check "signed bare launcher shows its usage" "1|Vandrel Console Version $VANDREL_VERSION
Usage: signed-vandrel.exe source.jar [dest.exe]" "$status|$out"

if [ $failed -eq 0 ]; then echo "packed programs in the world: all checks passed"; fi
exit $failed
