#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and then either strips the
# JPEG files named after "strip" or runs the whole test suite.
#
#   bash scripts/quickstart.sh strip photo1.jpg photo2.jpg
#   bash scripts/quickstart.sh test
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libjpeg-dev
          clang libclang-rt-14-dev libwxgtk3.2-dev libsdl2-dev libx11-dev
          xvfb xauth xdotool x11-utils fonts-ipafont-gothic acl attr passwd
          openbox python3-gi gir1.2-gtk-3.0)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ] || [ "${CI:-}" = true ]; then
    echo "== installing: ${missing[*]:-(none missing; refreshing the package lists)}"
    apt-get update -q
    [ ${#missing[@]} -eq 0 ] ||
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

build() {  # build <preset>
  (cd "$repo" && cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$(nproc)")
}

run_tests() {  # run_tests <preset>
  # The window tests need a display: one virtual display for the whole run.
  (cd "$repo" && xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --preset "$1" -j "$(nproc)" --timeout 600)
}

case "${1:-}" in
  strip)
    shift
    [ $# -gt 0 ] || { echo "usage: $0 strip FILE..." >&2; exit 2; }
    install_packages
    build release
    exec "$repo/build/release/src/velmora" "$@"
    ;;
  test)
    install_packages
    echo "== build and test (warnings are errors)"
    build ci
    run_tests ci
    echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
    build asan
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$repo/tests/lsan.supp" \
      run_tests asan
    ;;
  *)
    echo "usage: $0 strip FILE... | test" >&2
    exit 2
    ;;
esac
