#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent; runs as root (or through sudo) on a fresh Debian 12.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake g++ make pkgconf ccache git lld
  # forms the unity groups of the build (scripts/unity-groups.py)
  python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # libraries named by the design
  libwxgtk3.2-dev libcairo2-dev libagg-dev libdouble-conversion-dev zlib1g-dev
  libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  libfreetype-dev libfontconfig1-dev libcups2-dev libuemf-dev libgsf-1-dev
  # the toolkit's own texts in the interface language: wxWidgets' catalogues
  # (GTK's own, gtk30, come with GTK itself)
  wx3.2-i18n
  # code-page and Unicode data for the table generators, and the Hershey
  # fonts that tools/mkshx turns into the built-in SHX fonts
  unicode-data hershey-fonts-data
  # GUI and rendering tests
  xvfb xauth xdotool x11-utils imagemagick poppler-utils
  # the second reader printed pages are rendered back with beside pdftoppm
  # (tests/platform/PrintDCTest.cpp)
  ghostscript
  # prints a hung GUI test program's threads before it is aborted
  # (tests/gui/xvfb-run.sh)
  gdb
  # hands a path to the file chooser and reads back what its field holds
  xclip
  # a window manager: the viewer is also started under one, as a desktop
  # shows it (tests/gui/WindowManagerStartTest.cpp), and wmctrl sends it a
  # window's close request (tests/gui/PrintPreviewUnderManagerTest.cpp)
  openbox wmctrl
  fonts-liberation2 fonts-liberation fonts-dejavu-core
  # the faces that draw Symbol, Wingdings and Webdings texts of metafiles
  # (Symbola has the pictographs Unicode 7.0 encoded the dingbat faces as)
  fonts-opensymbol fonts-symbola
  # printing tests: a CUPS server with PDF queues
  cups printer-driver-cups-pdf
  # a decimal-comma locale: number output is tested under it, and the Czech
  # interface runs in it
  locales
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

# cs_CZ.UTF-8 and sk_SK.UTF-8, generated only when missing (locale -a lists
# them as cs_CZ.utf8 and sk_SK.utf8): the system's error texts are tested in
# both languages.
generate=0
for name in cs_CZ sk_SK; do
  if ! locale -a 2>/dev/null | grep -qix "${name}\.utf-\?8"; then
    echo "install-deps: generating ${name}.UTF-8"
    if ! grep -qx "${name}.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null; then
      echo "${name}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    generate=1
  fi
done
if [ "$generate" -eq 1 ]; then $SUDO locale-gen; fi
