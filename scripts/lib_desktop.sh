# Shared by the scripts that run the program on a virtual display (source it; needs ROOT set).
#   install_missing PKG...   apt-get installs the packages that are not installed yet (lib_packages.sh)
#   ensure_built BUILD_DIR   configures and builds the program there when needed
#   start_xvfb DISPLAY       starts Xvfb (1280x800) and sets XVFB to its pid

# shellcheck source=lib_packages.sh
. "$ROOT/scripts/lib_packages.sh"

ensure_built() {
  [ -f "$1/build.ninja" ] || cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$1" --target shuhui
}

start_xvfb() {
  Xvfb "$1" -screen 0 1280x800x24 -nolisten tcp &
  XVFB=$!
  sleep 1
}
