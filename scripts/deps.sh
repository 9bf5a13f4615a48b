#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when they are missing.
# The one dependency list of the project: scripts/run.sh and scripts/test.sh both call this.
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake ninja-build pkg-config
  # libraries
  qt6-base-dev libsqlite3-dev libminizip-dev libexpat1-dev libxlsxwriter-dev libgsf-1-dev libicu-dev libgtest-dev
  # running and looking at the program
  fonts-noto-cjk xvfb xauth qt6-translations-l10n
  # the window frame under a window manager with real pointer input (scripts/frame_check.sh)
  openbox xdotool
  # independent readers for the round-trip tests
  python3 python3-xlrd python3-openpyxl
)

# shellcheck source=lib_packages.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib_packages.sh"
install_missing "${PACKAGES[@]}"
