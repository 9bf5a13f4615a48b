# Shared by the scripts that run the program on a virtual display (source it; needs ROOT set).
#   install_missing PKG...   apt-get installs the packages that are not installed yet (lib_packages.sh)
#   ensure_built BUILD_DIR [TARGET]   configures and builds the program (or TARGET) there when needed
#   start_xvfb DISPLAY       starts Xvfb (1280x800) and sets XVFB to its pid
#   run_atspi PROGRAM [ARG...] -- CLIENT [ARG...]
#                            in a D-Bus session with an AT-SPI bus, starts PROGRAM on $DISPLAY with
#                            accessibility on, then runs the Python CLIENT; returns the client's status

# shellcheck source=lib_packages.sh
. "$ROOT/scripts/lib_packages.sh"

ensure_built() {
  [ -f "$1/build.ninja" ] || cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$1" --target "${2:-shuhui}"
}

start_xvfb() {
  Xvfb "$1" -screen 0 1280x800x24 -nolisten tcp &
  XVFB=$!
  sleep 1
}

run_atspi() {
  dbus-run-session -- bash -c '
    set -u
    program=()
    while [ "$1" != "--" ]; do program+=("$1"); shift; done
    shift
    LAUNCHER=/usr/libexec/at-spi-bus-launcher
    [ -x "$LAUNCHER" ] || LAUNCHER=/usr/lib/at-spi2-core/at-spi-bus-launcher
    "$LAUNCHER" --launch-immediately &
    BUS=$!
    sleep 1
    QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "${program[@]}" &
    APP=$!
    sleep 3
    /usr/bin/python3 "$@"  # the system Python holds the pyatspi bindings
    rc=$?
    kill $APP 2>/dev/null || true
    kill $BUS 2>/dev/null || true
    exit $rc
  ' run_atspi "$@"
}
