# Sourced by the shell tests of this directory: check NAME EXPECTED ACTUAL
# prints "ok" or the difference, and sets failed=1 on a difference.
failed=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "--- expected"; printf '%s\n' "$2"; echo "--- actual"; printf '%s\n' "$3"
    failed=1
  else
    echo "ok   $1"
  fi
}
