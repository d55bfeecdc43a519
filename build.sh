#!/usr/bin/env bash
# Vantrel: install what is missing, build, then run the program or its tests.
#   ./build.sh run    installs, builds, starts the program
#   ./build.sh test   installs, builds, runs every test with ctest
#   ./build.sh install PACKAGE...   installs those of the named further packages that are missing
#                                   (the CI steps' own tools)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libjpeg62-turbo-dev libpoppler-cpp-dev
          libdvdread-dev ffmpeg libreoffice-impress libreoffice-writer libgtest-dev googletest libbenchmark-dev
          xvfb xauth xdotool dvdauthor attr fonts-dejavu-core libpulse-dev pulseaudio
          fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-wqy-microhei)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    return
  fi
  if command -v sudo >/dev/null 2>&1; then
    echo "Installing with sudo: ${missing[*]}"
    if sudo apt-get update -qq &&
       sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
      return
    fi
  fi
  {
    echo "These packages are missing, and only root can install them:"
    echo "  ${missing[*]}"
    echo "Run this as root (for example after \"su -\"), then ./build.sh again:"
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  } >&2
  exit 1
}

build() {
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build -j "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing "${PACKAGES[@]}"
    build
    exec build/bin/Vantrel
    ;;
  test)
    install_missing "${PACKAGES[@]}"
    build
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 900
    ;;
  install)
    shift
    install_missing "$@"
    ;;
  *)
    echo "usage: ./build.sh run | test | install PACKAGE..." >&2
    exit 2
    ;;
esac
