#!/usr/bin/env bash
# Installs everything the builds and tests need from Debian's packages.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  googletest libgtest-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine wine32:i386 wine64
  default-jdk-headless
  clang libclang-rt-14-dev
  openjdk-17-jre-headless:i386 gcc-multilib
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  sox lame
  osslsigncode openssl
  locales
  zlib1g-dev libz-mingw-w64-dev xvfb xauth
  maven junit4 libmaven-plugin-tools-java libmaven-compiler-plugin-java
  libmaven-resources-plugin-java libmaven-jar-plugin-java libsurefire-java
  libmaven-clean-plugin-java libmaven-install-plugin-java libmaven-invoker-plugin-java
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
else
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  echo "setup: installed ${missing[*]}"
fi

# 32-bit programs (Wine's 32-bit loader, the i386 Java VM) on a machine whose
# kernel cannot run them itself: qemu-user's i386 emulator, registered with
# binfmt_misc for i386 ELF programs. Decided by running a tiny 32-bit
# program, not by the machine's name; where it runs, nothing changes.
# Debian 12's qemu-user 7.2 is too slow for Wine (each start searches the
# guest's address space page by page), so version 10 comes from
# bookworm-backports: downloaded through a private package list (the
# system's sources stay as they are), and only its qemu-i386, a static
# program, kept in $qemu_dir. The binfmt entry has the F flag: the kernel
# opens the emulator once, at registration, so it serves in every mount
# namespace and chroot. It lasts until reboot; a later run registers it again.
#   VANDREL_I386_EMULATION=force  registers it even where the kernel runs
#                                 32-bit programs (to try the emulated path;
#                                 undo: echo -1 > /proc/sys/fs/binfmt_misc/vandrel-i386)
qemu_dir=/usr/local/lib/vandrel-qemu
qemu="$qemu_dir/qemu-i386"
binfmt=/proc/sys/fs/binfmt_misc
binfmt_name=vandrel-i386
# e_ident of a 32-bit little-endian ELF file, then e_type 2 or 3 (program or
# position-independent program) and e_machine 3 (i386); as qemu's own
# scripts/qemu-binfmt-conf.sh registers it.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
runs_i386() {
  "$probe_dir/probe32" </dev/null >/dev/null 2>&1
}
# Whether any enabled binfmt_misc entry already claims i386 ELF programs;
# sets registered_interpreter to its program.
i386_registered() {
  local entry
  for entry in "$binfmt"/*; do
    case "$(basename "$entry")" in register|status) continue ;; esac
    [ -f "$entry" ] || continue
    if grep -qx enabled "$entry" && grep -q '^offset 0$' "$entry" \
       && grep -Eq '^magic 7f454c46010101.{22}0300' "$entry"; then
      registered_interpreter=$(sed -n 's/^interpreter //p' "$entry")
      return 0
    fi
  done
  return 1
}
# Whether the qemu program $1 (this one's by default) is version 10 or later.
qemu_is_10() {
  local version
  version=$("${1:-$qemu}" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [ -n "$version" ] && [ "$version" -ge 10 ]
}
install_qemu() {
  if [ -x "$qemu" ] && qemu_is_10; then return 0; fi
  local apt_dir="$probe_dir/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/deb"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main" \
    >"$apt_dir/sources.list"
  local apt_private=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
                     -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
                     -o APT::Sandbox::User=root)
  apt-get "${apt_private[@]}" update -qq
  (cd "$apt_dir/deb" && apt-get "${apt_private[@]}" download qemu-user)
  $SUDO mkdir -p "$qemu_dir"
  dpkg-deb --fsys-tarfile "$apt_dir"/deb/qemu-user_*.deb | tar -x -C "$apt_dir/deb" ./usr/bin/qemu-i386
  $SUDO install -m 0755 "$apt_dir/deb/usr/bin/qemu-i386" "$qemu"
  qemu_is_10 || { echo "setup: $qemu is not qemu 10 or later" >&2; exit 1; }
  echo "setup: installed $("$qemu" --version | head -n 1) as $qemu"
}

printf 'int main(void) { return 0; }\n' >"$probe_dir/probe32.c"
gcc -m32 -static -o "$probe_dir/probe32" "$probe_dir/probe32.c"
if [ "${VANDREL_I386_EMULATION:-}" != force ] && runs_i386; then
  echo "setup: this machine runs 32-bit programs"
  exit 0
fi
if [ ! -e "$binfmt/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if i386_registered; then
  echo "setup: i386 programs already have a binfmt_misc entry ($registered_interpreter)"
  if ! qemu_is_10 "$registered_interpreter"; then
    echo "setup: warning: $registered_interpreter is no qemu 10 or later; under qemu 7.2 each Windows" \
         "program takes about 75 s to start (remove that entry, then run this again)" >&2
  fi
  [ "${VANDREL_I386_EMULATION:-}" = force ] || runs_i386 || {
    echo "setup: the registered i386 emulator cannot run a 32-bit program" >&2; exit 1; }
  exit 0
fi
install_qemu
echo ":$binfmt_name:M::$i386_magic:$i386_mask:$qemu:F" | $SUDO tee "$binfmt/register" >/dev/null
if ! runs_i386; then
  echo "setup: a 32-bit program does not run even under $qemu" >&2
  exit 1
fi
echo "setup: 32-bit programs run under emulation ($qemu, binfmt_misc entry $binfmt_name)"
