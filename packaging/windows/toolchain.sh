# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# The recipe of the Windows cross toolchain, sourced by scripts/windows: Qt's
# qtbase, OpenSSL's libcrypto and hidapi's Windows backend, built from
# Debian's source packages with Debian's MinGW-w64 (posix threads) into one
# prefix. The cache key hashes this file (without its comments), the patches
# beside it, the CMake toolchain file and the versions of the sources and the
# compilers, so any change to what would be built lands in a fresh folder.

win_triple=x86_64-w64-mingw32
win_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev wine wine64 nsis dpkg-dev cmake make perl
)
# In build order: the quick ones first, so a broken recipe shows early.
win_sources=(hidapi openssl qtbase-opensource-src)
win_patches=packaging/windows/patches
win_cmake_toolchain=cmake/toolchain-mingw-w64.cmake

# Builds are long and the machine is shared: two jobs at low priority.
win_make() { nice -n 10 make -j2 "$@"; }

win_install_packages() {
  local missing=() p
  for p in "${win_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  win_need_root "packages ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

win_need_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/windows: $1 missing (run as root to set this up)" >&2
    exit 1
  fi
}

# Adds deb-src to the stanzas of deb822 sources that point at a Debian
# archive (a URI ending in /debian or /debian-security), so the sources come
# from exactly the archive the binaries do. Leaves other repositories alone.
win_enable_deb_src() {
  local file=/etc/apt/sources.list.d/debian.sources
  if [ -z "$(apt-cache showsrc "${win_sources[0]}" 2>/dev/null)" ]; then
    if [ ! -f "$file" ]; then
      echo "scripts/windows: no deb-src for ${win_sources[0]} and no $file to enable it in" >&2
      exit 1
    fi
    win_need_root "deb-src entries"
    perl -00 -pi -e '
      if (m{^URIs:.*/debian(-security)?/?\s*$}m && !m{^Types:.*\bdeb-src\b}m) {
        s/^(Types:.*?)[ \t]*$/$1 deb-src/m;
      }' "$file"
    apt-get update -qq
  fi
}

# The versions of a source package the archive offers, newest first (dpkg
# knows Debian's version order, sort(1) does not).
win_source_versions() {
  local versions i j newer
  mapfile -t versions < <(apt-cache showsrc --only-source "$1" | awk '/^Version:/ {print $2}' | sort -u)
  [ ${#versions[@]} -gt 0 ] || { echo "scripts/windows: no source package $1" >&2; exit 1; }
  for ((i = 0; i < ${#versions[@]}; i++)); do
    for ((j = i + 1; j < ${#versions[@]}; j++)); do
      if dpkg --compare-versions "${versions[j]}" gt "${versions[i]}"; then
        newer=${versions[j]} versions[j]=${versions[i]} versions[i]=$newer
      fi
    done
  done
  printf '%s\n' "${versions[@]}"
}

win_recipe() {
  local s
  sed '/^[[:space:]]*#/d' packaging/windows/toolchain.sh "$win_cmake_toolchain"
  find "$win_patches" -name '*.patch' -type f 2>/dev/null | LC_ALL=C sort | xargs -r cat
  for s in "${win_sources[@]}"; do echo "$s $(win_source_versions "$s" | paste -sd' ')"; done
  dpkg-query -W g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
}

# The newest version of source package $1 the archive lists. Not through
# head: with pipefail, the list's writer dies of SIGPIPE when head has
# already gone, and the script with it, now and then.
win_newest_version() {
  local versions
  versions=$(win_source_versions "$1")
  echo "${versions%%$'\n'*}"
}

win_cache_key() { win_recipe | sha256sum | cut -c1-16; }

# Unpacks a source package (Debian's patch series applied) into $1/<name>
# and sets win_unpacked to its version: the newest one the archive serves. A
# mirror may list a security update before it serves its files; then the one
# before it is taken, with one warning, and the package's mark says which.
win_unpack() {
  local scratch=$1 pkg=$2 version newest
  newest=$(win_newest_version "$pkg")
  mkdir -p "$scratch/download"
  for version in $(win_source_versions "$pkg"); do
    if (cd "$scratch/download" && apt-get source -qq --download-only "$pkg=$version" >/dev/null 2>&1); then
      # apt checked the files against the archive's signed index already.
      dpkg-source --no-check -x "$scratch/download/${pkg}_${version#*:}.dsc" "$scratch/$pkg" >/dev/null
      win_apply_own_patches "$pkg" "$scratch/$pkg"
      win_unpacked=$version
      [ "$version" = "$newest" ] || win_warn_older "$pkg" "$version" "$newest"
      return 0
    fi
    rm -rf "$scratch/download" && mkdir -p "$scratch/download"
  done
  echo "scripts/windows: no version of $pkg could be downloaded" >&2
  exit 1
}

win_warn_older() {
  echo "scripts/windows: warning: $1 $2 is built, not $3: the archive lists $3 but does not serve it yet"
}

# Whether the archive serves the files of source package $1 at version $2.
win_is_served() {
  local scratch
  scratch=$(mktemp -d)
  (cd "$scratch" && apt-get source -qq --download-only "$1=$2" >/dev/null 2>&1)
  local served=$?
  rm -rf "$scratch"
  return $served
}

# The version of package $2 built into the toolchain $1, as its mark says.
win_built_version() {
  awk '{ print $2 }' "$1/.done-$2" 2>/dev/null
}

# A toolchain built from an older source than the archive now serves gets
# that package built again (its mark and the stamp go); one still waiting
# for the newest to be served says so once.
win_refresh_toolchain() {
  local prefix=$1 pkg built newest
  for pkg in "${win_sources[@]}"; do
    built=$(win_built_version "$prefix" "$pkg")
    newest=$(win_newest_version "$pkg")
    [ -z "$built" ] || [ "$built" = "$newest" ] && continue
    if win_is_served "$pkg" "$newest"; then
      echo "scripts/windows: $pkg $newest is served now; building it again (was $built)"
      rm -f "$prefix/.done-$pkg" "$prefix/stamp"
    else
      win_warn_older "$pkg" "$built" "$newest"
    fi
  done
}

# Our fixes for this compiler, if a source ever needs one:
# packaging/windows/patches/<package>-<what>.patch, applied with -p1.
win_apply_own_patches() {
  local patch
  for patch in "$win_patches/$1"-*.patch; do
    [ -f "$patch" ] || continue
    patch -d "$2" -p1 --forward --quiet < "$patch"
  done
}

# Shared Qt: the program loads its plug-in DLL through QGenericPluginFactory,
# and a plug-in only shares the program's QApplication when both link the
# same Qt DLLs (a static Qt would give the plug-in a second, empty copy).
# Debian's tarball lacks the third-party wintab headers, hence no tablet
# events.
win_build_qtbase() {
  local src=$1/qtbase-opensource-src build=$1/qtbase-build prefix=$2
  mkdir -p "$build"
  (cd "$build" && nice -n 10 "$src/configure" -prefix "$prefix" \
    -opensource -confirm-license -platform linux-g++ \
    -xplatform win32-g++ -device-option CROSS_COMPILE=$win_triple- \
    -release -shared -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-openssl \
    -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -qt-freetype -qt-harfbuzz \
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent \
    -no-feature-tabletevent)
  win_make -C "$build"
  win_make -C "$build" install
}

# libcrypto only, static; libssl, the command-line tool, tests and manuals
# are not needed by the program, nor are engines. The configuration folder
# compiled in is a Unix path of this machine, which on Windows names a folder
# any user may create (C:\root\...): no configuration file is read at all.
win_build_libcrypto() {
  local src=$1/openssl prefix=$2
  (cd "$src" && ./Configure mingw64 --cross-compile-prefix=$win_triple- \
    --prefix="$prefix" --libdir=lib \
    no-shared no-module no-engine no-autoload-config no-tests >/dev/null)
  win_make -C "$src" build_generated
  win_make -C "$src" libcrypto.a
  install -d "$prefix/lib" "$prefix/include/openssl"
  install -m 644 "$src/libcrypto.a" "$prefix/lib/"
  install -m 644 "$src"/include/openssl/*.h "$prefix/include/openssl/"
}

# The Windows backend alone, static, with hidapi's own CMake package.
win_build_hidapi() {
  local src=$1/hidapi build=$1/hidapi-build prefix=$2
  nice -n 10 cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/$win_cmake_toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DHIDAPI_BUILD_HIDTEST=OFF >/dev/null
  nice -n 10 cmake --build "$build" -j2
  cmake --install "$build" >/dev/null
}

# Qt's mkspec and OpenSSL's Configure call the compilers by the triplet
# alone, which the alternatives system may point at the win32 thread model;
# everything here, and what links with it, must use the posix one.
win_posix_compilers() {
  local tool
  mkdir -p "$1"
  for tool in gcc g++ c++ cpp; do
    ln -sf "/usr/bin/$win_triple-$tool-posix" "$1/$win_triple-$tool"
  done
  PATH=$1:$PATH
}

# Builds what the folder lacks; each package is marked done so an
# interrupted run resumes with the next one. The stamp, written last, says the
# toolchain is complete.
win_build_toolchain() {
  local prefix=$1 scratch=$1.build pkg started
  win_posix_compilers "$scratch.bin"
  for pkg in "${win_sources[@]}"; do
    [ -f "$prefix/.done-$pkg" ] && continue
    started=$SECONDS
    echo "scripts/windows: building $pkg"
    rm -rf "$scratch" && mkdir -p "$scratch" "$prefix"
    win_unpack "$scratch" "$pkg"
    case $pkg in
      qtbase-opensource-src) win_build_qtbase "$scratch" "$prefix" ;;
      openssl) win_build_libcrypto "$scratch" "$prefix" ;;
      hidapi) win_build_hidapi "$scratch" "$prefix" ;;
    esac
    rm -rf "$scratch"
    echo "$pkg $win_unpacked built in $((SECONDS - started)) s" > "$prefix/.done-$pkg"
  done
  rm -rf "$scratch.bin"
  {
    echo "built $(date -u +%FT%TZ) by scripts/windows"
    cat "$prefix"/.done-*
    dpkg-query -W g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  } > "$prefix/stamp"
}
