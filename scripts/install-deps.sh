#!/usr/bin/env bash
# Installs every Debian package that building and testing needs. Runs as root on
# a fresh Debian 12 machine; does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libsqlite3-dev sqlite3
  mdbtools-dev mdbtools pxlib-dev libshp-dev
  clang libclang-rt-14-dev
  ccache linux-perf
)
if [ "${KORIN_WITH_GUI:-1}" = 1 ]; then
  PACKAGES+=(qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev xvfb xauth poppler-utils)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
