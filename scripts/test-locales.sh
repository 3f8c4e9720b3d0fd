#!/usr/bin/env bash
# Makes the locales that tests run under in DIR, for use with LOCPATH=DIR:
# fr_FR.ISO-8859-1 (a Latin-1 native encoding on Linux) and en_US.CP1252
# (the native encoding of the test bridge's host VM: the ANSI code page of
# Wine's processes). Needs Debian's locales package. Idempotent.
#   test-locales.sh DIR
set -eu
dir=$1
mkdir -p "$dir"
for locale in fr_FR.ISO-8859-1 en_US.CP1252; do
  [ -e "$dir/$locale/LC_CTYPE" ] && continue
  # localedef reports warnings about its sources with status 1 and still
  # writes the locale.
  localedef -i "${locale%%.*}" -f "${locale#*.}" "$dir/$locale" 2>/dev/null || [ -e "$dir/$locale/LC_CTYPE" ]
done
echo "locales ready"
