#!/usr/bin/env bash
# Makes the locale fr_FR.ISO-8859-1 in DIR, for tests that run with
# LOCPATH=DIR LC_ALL=fr_FR.ISO-8859-1 (a Latin-1 native encoding). Idempotent.
#   latin1_locale.sh DIR
set -eu
dir=$1
[ -e "$dir/fr_FR.ISO-8859-1/LC_CTYPE" ] && { echo "locale ready"; exit 0; }
mkdir -p "$dir"
# localedef reports warnings about the source with status 1 and still
# writes the locale.
localedef -i fr_FR -f ISO-8859-1 "$dir/fr_FR.ISO-8859-1" || [ -e "$dir/fr_FR.ISO-8859-1/LC_CTYPE" ]
echo "locale ready"
