#!/usr/bin/env bash
# Builds static wxMSW 3.2 for MinGW-w64 from Debian's own source packages and
# installs it into a cache folder outside the clone, keyed by the versions and
# flags, so that it is built once per machine and reused.
#
#   bash scripts/build-wxmsw.sh           full build (libpng, then wx): ~40 min on 2 cores
#   bash scripts/build-wxmsw.sh headers   wx's configure only: headers + setup.h, ~1 min
#   ... full --if-built                    only prints the prefix if it is there (else status 1)
#
# Prints the installed prefix (it has bin/wx-config) as its last line.
# Environment: VELMORA_CACHE (default ~/.cache/velmora), JOBS (default nproc).
# Debian has no wxWidgets for MinGW, and its wx tarball lacks the bundled PNG and
# zlib: libpng is cross-built from Debian's source package, zlib comes from
# libz-mingw-w64-dev.
set -euo pipefail

mode=${1:-full}
case "$mode" in full | headers) ;; *) echo "usage: $0 [full|headers] [--if-built]" >&2; exit 2 ;; esac
if_built=${2:-}

cache=${VELMORA_CACHE:-$HOME/.cache/velmora}
jobs=${JOBS:-$(nproc)}
host=x86_64-w64-mingw32
# The posix thread model: the program's own code is built with it, and the two
# models' C++ runtimes do not mix.
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib \
       RC=$host-windres WINDRES=$host-windres STRIP=$host-strip

# Only what the window uses: core and base, PNG for the embedded art.
wx_flags=(--with-msw --disable-shared --enable-unicode --disable-debug_info
          --with-libpng=sys --with-zlib=sys --with-regex=builtin
          --without-libjpeg --without-libtiff --without-liblzma --without-expat
          --without-opengl --without-libcurl --disable-webrequest
          --without-subdirs --disable-tests --disable-debugreport --disable-xrc --disable-html --disable-richtext --disable-stc
          --disable-aui --disable-propgrid --disable-ribbon --disable-webview
          --disable-mediactrl --disable-svg --disable-sockets --disable-protocols
          --disable-url --disable-fs_inet --disable-precomp-headers)
cflags="-O2"

ensure_source_lists() {
  if ! apt-cache showsrc wxwidgets3.2 2>/dev/null | grep -q '^Version:'; then
    # shellcheck disable=SC1091
    local suite
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "== adding a deb-src entry for $suite" >&2
    cat > /etc/apt/sources.list.d/velmora-src.sources <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get -o DPkg::Lock::Timeout=900 update -q >&2
  fi
}

src_version() {  # the version apt-get source would fetch
  apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

ensure_source_lists
wx_version=$(src_version wxwidgets3.2)
png_version=$(src_version libpng1.6)
flags_hash=$( (echo "$mode ${wx_flags[*]} $cflags"; $CXX -dumpfullversion; $CXX -v 2>&1 | tail -1) |
  sha256sum | cut -c1-12)
if [ "$mode" = full ]; then
  key="wxmsw-${wx_version}-png-${png_version}-${flags_hash}"
else
  key="wxmsw-headers-${wx_version}-${flags_hash}"
fi
key=${key//[^A-Za-z0-9._-]/_}
prefix="$cache/$key"

if [ "$if_built" = --if-built ]; then
  [ -f "$prefix/.complete" ] || exit 1
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9> "$cache/$key.lock"
flock 9  # one build of a key at a time; a second caller waits and reuses it
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work="$cache/work-$key"
rm -rf "$prefix" "$work"
mkdir -p "$work"
cd "$work"
log() { echo "== $*" >&2; }
started=$(date +%s)

apt-get source -q wxwidgets3.2="$wx_version" >&2
wx_src=$(find . -maxdepth 1 -type d -name 'wxwidgets3.2-*' | head -1)

if [ "$mode" = full ]; then
  log "libpng $png_version for $host"
  apt-get source -q libpng1.6="$png_version" >&2
  png_src=$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
  (cd "$png_src" &&
    ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
      CFLAGS="$cflags" >&2 &&
    make -s -j"$jobs" >&2 && make -s install >&2)
fi

log "wxWidgets $wx_version ($mode) for $host"
# Headers alone need no libpng: configure gives the same setup.h with the
# "built-in" one, which it only looks for (nothing is compiled).
if [ "$mode" = headers ]; then
  wx_flags=("${wx_flags[@]/--with-libpng=sys/--with-libpng=builtin}")
  mkdir -p "$wx_src/src/png" && touch "$wx_src/src/png/png.c"
fi
mkdir -p wxbuild
cd wxbuild
# The libpng just built is found through its pkg-config file, zlib in the
# cross compiler's own folders.
PKG_CONFIG=pkg-config PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
  "../$wx_src/configure" -q --host=$host --build="$(gcc -dumpmachine)" --prefix="$prefix" \
  "${wx_flags[@]}" CFLAGS="$cflags" CXXFLAGS="$cflags" \
  CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" >&2

if [ "$mode" = full ]; then
  make -j"$jobs" >&2
  make install >&2
else
  # Headers, the generated setup.h and wx-config, laid out as an install is.
  mkdir -p "$prefix/include/wx-3.2" "$prefix/bin"
  cp -r "../$wx_src/include/wx" "$prefix/include/wx-3.2/"
  cfg=$(ls lib/wx/include)
  mkdir -p "$prefix/lib/wx/include/$cfg" "$prefix/lib/wx/config"
  cp -r "lib/wx/include/$cfg/wx" "$prefix/lib/wx/include/$cfg/"
  cp "lib/wx/config/$cfg" "$prefix/lib/wx/config/$cfg"
  chmod +x "$prefix/lib/wx/config/$cfg"
  ln -sf "../lib/wx/config/$cfg" "$prefix/bin/wx-config"
fi

cd "$cache"
rm -rf "$work"
echo "$(($(date +%s) - started)) s" > "$prefix/.complete"
log "built in $(cat "$prefix/.complete"): $prefix"
echo "$prefix"
