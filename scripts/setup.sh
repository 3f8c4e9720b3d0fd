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

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "setup: installed ${missing[*]}"
