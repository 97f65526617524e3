#!/usr/bin/env bash
# Installs what the build, the tests and the programs need from Debian's packages.
# Safe to run again: it installs only what is missing and updates the package lists only then.
set -euo pipefail
pkgs=(build-essential cmake pkg-config git
      libgtest-dev libgmock-dev libbenchmark-dev
      libfreetype-dev libpng-dev libsdl2-dev libssl-dev openssl
      fonts-nanum xvfb x11-apps imagemagick
      clang libclang-rt-14-dev clang-format-14)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
