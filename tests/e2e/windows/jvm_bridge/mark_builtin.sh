#!/bin/sh
# Marks a PE DLL as one of Wine's builtin modules, which Wine's loader pairs
# with the Unix library of the same name: the mark is the text
# "Wine builtin DLL", NUL-padded to 32 bytes, right after the 64-byte DOS
# header, where the linker put only the DOS stub program. What winebuild
# --builtin writes, without running a tool built for Wine's own architecture.
#   mark_builtin.sh file.dll
set -eu
dll=$1
# The PE header (e_lfanew, at 0x3c) must start after the 32 bytes written.
pe_offset=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
if [ "$(head -c 2 "$dll")" != MZ ] || [ "$pe_offset" -lt 96 ]; then
  echo "mark_builtin.sh: $dll has no room for the builtin mark" >&2
  exit 1
fi
printf 'Wine builtin DLL\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000\000' |
  dd of="$dll" bs=1 seek=64 count=32 conv=notrunc 2>/dev/null
