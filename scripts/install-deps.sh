#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent; runs as root (or through sudo) on a fresh Debian 12.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake g++ make pkgconf ccache git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # libraries named by the design
  libwxgtk3.2-dev libcairo2-dev libagg-dev libdouble-conversion-dev zlib1g-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  libfreetype-dev libfontconfig1-dev libcups2-dev libuemf-dev libgsf-1-dev
  # code-page and Unicode data for the table generators
  unicode-data
  # the Czech locale (messages and a decimal comma) for the language tests
  locales
  # GUI and rendering tests
  xvfb xauth xdotool x11-utils imagemagick poppler-utils
  fonts-liberation2 fonts-liberation fonts-dejavu-core
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
else
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -o DPkg::Lock::Timeout=300
  $SUDO apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}"
fi

# Locales the tests switch to (a decimal comma, Czech system texts).
for loc in cs_CZ; do
  if ! locale -a 2>/dev/null | grep -qix "$loc.utf-\?8"; then
    echo "install-deps: generating the locale $loc.UTF-8"
    $SUDO localedef -i "$loc" -c -f UTF-8 -A /usr/share/locale/locale.alias "$loc.UTF-8"
  fi
done
