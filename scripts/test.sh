#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite:
#   1. the Release build, every test (widget tests on the offscreen platform);
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build of the engine libraries
#      (formats, provider, grid engine, spreadsheet documents) and their fast tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
export QT_QPA_PLATFORM=offscreen

bash scripts/build.sh
(cd build/release && ctest --output-on-failure -j "$(nproc)")

if [ "${SHUHUI_SKIP_SANITIZE:-0}" != "1" ]; then
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSHUHUI_WITH_GUI=OFF \
    -DSHUHUI_SANITIZE=ON >/dev/null
  # Only what the fast tests need: the engine libraries, their test executables and shuhui-dump.
  cmake --build build/asan -j "$(nproc)" --target formats_tests workbooks_tests grid_tests merge_vertical_tests \
    sheet_tests merge_horizontal_tests shuhui-dump
  (cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$(nproc)" -L fast)
fi
