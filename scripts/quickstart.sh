#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and then either strips the
# JPEG files named after "strip", runs the whole test suite, or builds the
# Windows program.
#
#   bash scripts/quickstart.sh strip photo1.jpg photo2.jpg
#   bash scripts/quickstart.sh test
#   bash scripts/quickstart.sh windows
#   bash scripts/quickstart.sh deb
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev libjpeg-dev
          clang libclang-rt-14-dev libwxgtk3.2-dev libsdl2-dev libx11-dev
          xvfb xauth xdotool x11-utils fonts-ipafont-gothic acl attr passwd
          mingw-w64 libz-mingw-w64-dev wine wine64 dpkg-dev xz-utils make
          openbox python3-gi gir1.2-gtk-3.0 clang-format clang-tidy pre-commit gettext wx3.2-i18n
          locales debhelper lintian desktop-file-utils appstream nsis
          python3-dev pybind11-dev python3-pybind11 python3-pytest python3-dask python3-distributed
          python3-pil)

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

build() {  # build <preset> [target...]: everything, or only the targets named
  local targets=()
  [ $# -lt 2 ] || targets=(--target "${@:2}")
  (cd "$repo" && cmake --preset "$1" >/dev/null &&
    cmake --build --preset "$1" -j "$(nproc)" "${targets[@]}")
}

check_format() {
  # The tree as its .clang-format writes it; design tables opt out in place.
  (cd "$repo" && git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror)
}

check_tidy() {  # check_tidy <preset>: the repo's own clang-tidy checks over src/
  (cd "$repo" && git ls-files -- 'src/*.cpp' | grep -v '/win32/' |
    xargs -P "$(nproc)" -n 4 clang-tidy -p "build/$1" --quiet)
}

stage() {  # stage <title> <command...>: runs one stage and prints its seconds
  local started=$SECONDS
  echo "== $1"
  "${@:2}"
  echo "== $1: $((SECONDS - started)) s"
}

build_and_test() {  # build_and_test <preset>
  build "$1"
  run_tests "$1"
}

run_tests() {  # run_tests <preset>
  # The window tests need a display: one virtual display for the whole run.
  (cd "$repo" && xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --preset "$1" -j "$(nproc)" --timeout 600)
}

sanitized_tests() {  # the asan preset, leaks included
  build asan
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$repo/tests/lsan.supp" \
    run_tests asan
}

thread_tests() {  # the library's threads under ThreadSanitizer: only what that test needs
  build tsan
  (cd "$repo" && ctest --preset tsan --timeout 600)
}

benchmarks() {
  # Each benchmark once, for as short a time as it allows: a benchmark that no
  # longer builds or runs fails here; the figures themselves mean nothing.
  build bench velmora_engine_bench velmora_replace_floor
  "$repo/build/bench/bench/velmora_engine_bench" --benchmark_min_time=0.001 \
    --benchmark_format=console >/dev/null
  local work level
  work=$(mktemp -d)
  for level in plain checked search ahead; do
    cp "$repo"/fuzz/corpus/photo-* "$work/"
    (cd "$work" && "$repo/build/bench/bench/velmora_replace_floor" "$level" photo-*)
  done
  rm -rf "$work"
}

fuzzing() {  # the seed corpus replayed, then a minute of fuzzing from it
  build fuzz velmora_fuzz_strip
  local fuzzer=$repo/build/fuzz/fuzz/velmora_fuzz_strip work
  work=$(mktemp -d)
  "$fuzzer" -runs=0 "$repo/fuzz/corpus"
  # New inputs go to the scratch folder, crashes to build/fuzz/ (kept for the log).
  "$fuzzer" -max_total_time=60 -print_final_stats=1 -dict="$repo/fuzz/jpeg.dict" \
    -artifact_prefix="$repo/build/fuzz/" "$work" "$repo/fuzz/corpus"
  rm -rf "$work"
}

# Windows: MinGW-w64 cross builds, run under Wine.
export WINEDEBUG=-all
prepare_wine() {
  # The first start of Wine creates its prefix (~15 s); done once up front so
  # that no test program's first run waits for it.
  wineboot -i >/dev/null 2>&1 || true
  wineserver -p 60 >/dev/null 2>&1 || true  # one server kept up for the whole run
}

wxmsw() {  # wxmsw full|headers: prints the install prefix of the cached wxMSW
  bash "$repo/scripts/build-wxmsw.sh" "$1" | tail -1
}

windows_tests() {
  local started=$SECONDS
  echo "== Windows: cross build (MinGW-w64) and tests under Wine"
  prepare_wine
  build windows-cross
  (cd "$repo" && ctest --preset windows-cross -j "$(nproc)" --timeout 600)

  echo "== Windows: the window's sources against wxMSW's headers"
  local headers
  headers=$(wxmsw headers)
  (cd "$repo" && cmake --preset windows-release -B build/windows-window-check \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON \
      -DwxWidgets_CONFIG_EXECUTABLE="$headers/bin/wx-config" >/dev/null &&
    cmake --build build/windows-window-check --target velmora_window -j "$(nproc)")

  local full
  if full=$(bash "$repo/scripts/build-wxmsw.sh" full --if-built 2>/dev/null | tail -1); then
    echo "== Windows: velmora.exe with the window, smoke test under Wine"
    build_windows_exe "$full"
    bash "$repo/scripts/smoke-windows.sh" "$repo/build/windows-release/src/velmora.exe"
    echo "== Windows: the installer, silent install and uninstall under Wine"
    local setup
    setup=$(windows_packages)
    bash "$repo/scripts/installer-windows.sh" "$setup"
  else
    echo "== Windows: no wxMSW build in the cache; velmora.exe not linked" \
         "(bash scripts/quickstart.sh windows builds it)"
  fi
  echo "== Windows stage: $((SECONDS - started)) s"
}

build_windows_exe() {  # build_windows_exe <wxMSW prefix>
  (cd "$repo" && cmake --preset windows-release -DwxWidgets_CONFIG_EXECUTABLE="$1/bin/wx-config" \
      >/dev/null && cmake --build --preset windows-release -j "$(nproc)")
}

# Debian package: built by dpkg-buildpackage from a copy of the tree (it
# writes beside the source folder), then checked as a user's machine would.
deb_dir=$repo/build/deb
deb_file() {  # the .deb that build_deb makes
  echo "$deb_dir/velmora_$(cd "$repo" && dpkg-parsechangelog -S Version)_$(dpkg --print-architecture).deb"
}

build_deb() {  # build_deb [nocheck]: the source and binary packages in build/deb/
  local options=("parallel=$(nproc)") profiles=()
  if [ "${1:-}" = nocheck ]; then options+=(nocheck); profiles=(-Pnocheck); fi
  rm -rf "$deb_dir" && mkdir -p "$deb_dir/velmora"
  (cd "$repo" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - -c | tar -x -C "$deb_dir/velmora")
  (cd "$deb_dir/velmora" &&
    DEB_BUILD_OPTIONS="${options[*]}" dpkg-buildpackage -uc -us "${profiles[@]}")
}

check_deb() {  # lintian on both packages; the desktop entry and metainfo as installed
  lintian --fail-on error,warning --info "$deb_dir"/velmora_*.changes
  local tree
  tree=$(mktemp -d)
  dpkg-deb -x "$(deb_file)" "$tree"
  desktop-file-validate "$tree"/usr/share/applications/*.desktop
  appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
  rm -rf "$tree"
}

install_deb_check() {  # apt installs the .deb, the program strips a photo, a purge leaves nothing
  if dpkg-query -W velmora >/dev/null 2>&1; then
    echo "velmora is installed on this machine already: install check skipped"
    return
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$(deb_file)"
  local files
  files=$(dpkg -L velmora)
  "$repo/debian/tests/strip-photo"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge velmora
  local left=0 f
  while read -r f; do
    # Shared folders (/usr/share/man, ...) stay; the package's own go with it.
    [ ! -e "$f" ] || { [ -d "$f" ] && [[ $f != *velmora* ]]; } ||
      { echo "left behind: $f" >&2; left=1; }
  done <<<"$files"
  ! dpkg-query -W velmora >/dev/null 2>&1 || { echo "velmora still known to dpkg" >&2; left=1; }
  return "$left"
}

package_checks() {  # the test command's package step: built without its tests
  # The tests ran three times in the stages before; here the package itself is checked.
  build_deb nocheck
  check_deb
  install_deb_check
}

windows_packages() {  # the installer and the portable zip beside velmora.exe; prints the installer
  local dir=$repo/build/windows-release version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
  makensis -V2 -DVERSION="$version" -DEXE="$dir/src/velmora.exe" \
    -DOUTFILE="$dir/velmora-$version-setup.exe" "$repo/resources/windows/velmora.nsi" >&2
  rm -f "$dir/velmora-$version-portable.zip"
  (cd "$dir/src" && python3 -m zipfile -c "../velmora-$version-portable.zip" velmora.exe)
  echo "$dir/velmora-$version-setup.exe"
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
    started=$SECONDS
    stage "install" install_packages
    stage "format" check_format
    stage "build (warnings are errors)" build ci
    stage "clang-tidy" check_tidy ci
    stage "tests" run_tests ci
    stage "build and test with clang (warnings are errors)" build_and_test ci-clang
    stage "build and test under AddressSanitizer + UndefinedBehaviorSanitizer" sanitized_tests
    stage "the library's threads under ThreadSanitizer" thread_tests
    stage "benchmarks, each run once" benchmarks
    stage "fuzzing: the seed corpus, then 60 s" fuzzing
    stage "Debian package: built (nocheck), lintian, validators, install" package_checks
    windows_tests
    echo "== all stages: $((SECONDS - started)) s"
    ;;
  windows)
    install_packages
    echo "== wxMSW (built once into the cache; about 40 minutes on two cores)"
    full=$(wxmsw full)
    build_windows_exe "$full"
    setup=$(windows_packages)
    echo "== portable zip: ${setup%-setup.exe}-portable.zip"
    echo "== installer: $setup"
    echo "== velmora.exe: $repo/build/windows-release/src/velmora.exe"
    ;;
  deb)
    install_packages
    build_deb
    check_deb
    echo "== package: $(deb_file)"
    ;;
  *)
    echo "usage: $0 strip FILE... | test | windows | deb" >&2
    exit 2
    ;;
esac
