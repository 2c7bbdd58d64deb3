#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: a
# machine that has them all is left alone, so it also runs without root there.
set -euo pipefail

PACKAGES=(
  build-essential
  cmake
  make
  g++
  libgtest-dev
  libgmock-dev
  libfmt-dev
  libcli11-dev
  nlohmann-json3-dev
  libicu-dev
  python3
  # The recorded reports of the composition engine are kept xz-compressed.
  liblzma-dev
  # The calendar file tests read it back with an independent parser.
  python3-icalendar
  # The window program: Qt 6 Widgets (moc comes with the tools) and a font
  # with Cyrillic letters for the offscreen tests and screenshots.
  qt6-base-dev
  qt6-base-dev-tools
  libgl-dev
  fonts-dejavu-core
  # The web export hands its file to the user's mail client through xdg-email.
  xdg-utils
  # The test that reads the exported web pages in a real browser.
  chromium
)

source "$(dirname "${BASH_SOURCE[0]}")/install-packages.sh"
install_packages install-deps "${PACKAGES[@]}"
