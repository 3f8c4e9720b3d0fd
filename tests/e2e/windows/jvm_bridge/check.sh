# Sourced by the bridge's shell tests: `check NAME EXPECTED ACTUAL` reports one
# comparison and sets failed=1 when the two differ.
failed=0
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"; echo "--- expected"; printf '%s\n' "$2"; echo "--- actual"; printf '%s\n' "$3"
    failed=1
  else
    echo "ok   $1"
  fi
}
