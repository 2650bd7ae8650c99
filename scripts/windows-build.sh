#!/usr/bin/env bash
# Builds the recorder for 64-bit Windows on Debian 12 (as root): Qt 6.4.2 for
# MinGW-w64 (kept in a cache, built once), the programs and the core unit
# tests, the portable folder and the NSIS installer.
#
#   bash scripts/windows-build.sh [--qt-only]
#   bash scripts/windows-build.sh --has-qt-cache   # exit 0 when the Qt is cached
#
# Output: build-win/ (the cross build), build-win/portable/ (the portable
# folder) and build-win/ZKD735-DataRecorder-<version>-setup.exe.
# ZKD_QT_SRC names a folder with the Qt module tarballs
# (qtserialport/qtcharts/qtsvg-everywhere-src-6.4.2.tar.xz); by default
# ../shared/qt-src beside the clone when it exists, else Debian's source
# packages, else Qt's download site.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
qt_only=0
has_cache=0
[ "${1:-}" = "--qt-only" ] && qt_only=1
[ "${1:-}" = "--has-qt-cache" ] && has_cache=1

qt_version=6.4.2
host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
out="${ZKD_WIN_BUILD:-$here/build-win}"
cache_root="${ZKD_QT_CACHE:-/var/cache/zkd735-mingw-qt}"
jobs="$(nproc)"
script_start=$(date +%s)

# The options Qt is configured with; they and the version make the cache key,
# so a change here builds a new Qt instead of taking a stale one.
qtbase_options=(-release -shared -nomake examples -nomake tests
  -no-dbus -no-feature-sql -no-feature-printsupport -no-feature-tabletevent
  -qt-zlib -qt-pcre -qt-harfbuzz -qt-freetype -qt-libpng -qt-libjpeg
  -opengl desktop -no-icu)
key="$qt_version-$(printf '%s\n' "${qtbase_options[@]}" "$(sha256sum "$toolchain" | cut -c1-16)" | sha256sum | cut -c1-12)"
qt_prefix="$cache_root/$key"

if [ "$has_cache" -eq 1 ]; then
  [ -f "$qt_prefix/.complete" ] && exit 0
  exit 1
fi

step_start=0
step() {
  step_name="$1"
  step_start=$(date +%s)
  echo "== $step_name"
}
step_done() {
  echo "   $step_name: $(( $(date +%s) - step_start )) s"
}
fail() {
  echo "windows-build: step '$step_name' failed: $*" >&2
  exit 1
}

step "packages"
need=(g++-mingw-w64-x86-64-posix nsis ninja-build cmake qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
      dpkg-dev xz-utils ca-certificates curl)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq || fail "apt-get update"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null \
    || fail "apt-get install ${missing[*]}"
fi
step_done

# Qt sources: qtbase from Debian's source package, fetched with a deb-src line
# in an apt configuration of this script's own (the system's is left alone).
fetch_qtbase() {
  local dir="$1" apt_dir="$1/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
  local list="$apt_dir/sources.list"
  : >"$list"
  local srcs
  srcs=$(grep -rhs '^\(URIs\|deb \)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null | grep -o 'http[^ ]*debian[^ ]*' | sort -u)
  [ -n "$srcs" ] || srcs="http://deb.debian.org/debian"
  for uri in $srcs; do
    case "$uri" in
      *security*) echo "deb-src $uri bookworm-security main" >>"$list" ;;
      *) echo "deb-src $uri bookworm main" >>"$list"; echo "deb-src $uri bookworm-updates main" >>"$list" ;;
    esac
  done
  local opts=(-o "Dir::Etc::SourceList=$list" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
              -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Sandbox::User=root")
  apt-get "${opts[@]}" update -qq || return 1
  (cd "$dir" && apt-get "${opts[@]}" source -qq --only-source qt6-base >/dev/null) || return 1
  local tree
  tree=$(find "$dir" -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
  [ -n "$tree" ] || return 1
  mv "$tree" "$dir/qtbase"
}

module_tarball() {
  local module="$1" dir="$2" name="$1-everywhere-src-$qt_version.tar.xz"
  local shared="${ZKD_QT_SRC:-}"
  [ -z "$shared" ] && [ -d "$here/../shared/qt-src" ] && shared="$here/../shared/qt-src"
  if [ -n "$shared" ] && [ -f "$shared/$name" ]; then
    tar -xJf "$shared/$name" -C "$dir" && return 0
  fi
  local deb_name="qt6-${module#qt}"
  if (cd "$dir" && apt-get -o "Dir::Etc::SourceList=$dir/apt/sources.list" \
        -o "Dir::Etc::SourceParts=$dir/apt/sources.list.d" -o "Dir::State::Lists=$dir/apt/lists" \
        -o "APT::Sandbox::User=root" source -qq --only-source "$deb_name" >/dev/null 2>&1); then
    local tree
    tree=$(find "$dir" -maxdepth 1 -type d -name "$deb_name-*" | head -1)
    [ -n "$tree" ] && mv "$tree" "$dir/$module-everywhere-src-$qt_version" && return 0
  fi
  curl -fsSL "https://download.qt.io/archive/qt/${qt_version%.*}/$qt_version/submodules/$name" -o "$dir/$name" \
    && tar -xJf "$dir/$name" -C "$dir"
}

if [ -f "$qt_prefix/.complete" ]; then
  echo "== Qt $qt_version for MinGW: cached in $qt_prefix"
else
  # Everything is built and installed in a work folder and moved into the
  # cache only when whole, so an interrupted build leaves no cache behind.
  # Qt writes its install prefix into its own files, so it is built in place
  # under the cache path; the mark .complete is written last, and a prefix
  # without it (a build that failed or was interrupted) is removed here and on
  # every failure, so no later run takes half a Qt for a whole one.
  mkdir -p "$cache_root"
  work="$cache_root/.work-$key"
  stage="$qt_prefix"
  rm -rf "$work" "$stage"
  mkdir -p "$work" "$stage"
  trap 'rm -rf "$work" "$stage"' EXIT
  # The toolchain file is kept with the Qt it built, whose toolchain file
  # loads it by path: the clone may move, the cache does not.
  cp "$toolchain" "$stage/mingw-w64-x86_64.cmake"
  toolchain="$stage/mingw-w64-x86_64.cmake"

  step "Qt sources"
  fetch_qtbase "$work" || fail "qtbase: apt-get source qt6-base (no Debian source package reachable?)"
  for m in qtserialport qtsvg qtcharts; do
    module_tarball "$m" "$work" || fail "$m: no source (ZKD_QT_SRC, Debian source package, download.qt.io)"
  done
  step_done

  step "Qt qtbase configure"
  mkdir -p "$work/build-qtbase"
  (cd "$work/build-qtbase" && "$work/qtbase/configure" -prefix "$stage" "${qtbase_options[@]}" \
      -qt-host-path /usr -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" >"$work/qtbase-configure.log" 2>&1) \
    || { tail -30 "$work/qtbase-configure.log" >&2; fail "qtbase configure (log above)"; }
  step_done

  step "Qt qtbase build"
  # A link step can break off once after an interrupted compile; a second
  # pass finishes it.
  cmake --build "$work/build-qtbase" --parallel "$jobs" >"$work/qtbase-build.log" 2>&1 \
    || cmake --build "$work/build-qtbase" --parallel "$jobs" >>"$work/qtbase-build.log" 2>&1 \
    || { tail -30 "$work/qtbase-build.log" >&2; fail "qtbase build (log above)"; }
  cmake --install "$work/build-qtbase" >/dev/null || fail "qtbase install"
  step_done

  for m in qtserialport qtsvg qtcharts; do
    step "Qt $m"
    mkdir -p "$work/build-$m"
    (cd "$work/build-$m" && cmake -S "$work/$m-everywhere-src-$qt_version" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$stage/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$stage" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF >"$work/$m.log" 2>&1 \
      && cmake --build . --parallel "$jobs" >>"$work/$m.log" 2>&1 \
      && cmake --install . >>"$work/$m.log" 2>&1) \
      || { tail -30 "$work/$m.log" >&2; fail "$m configure/build/install (log above)"; }
    step_done
  done

  touch "$stage/.complete"
  trap - EXIT
  rm -rf "$work"
fi

[ "$qt_only" -eq 1 ] && exit 0

qt_toolchain="$qt_prefix/lib/cmake/Qt6/qt.toolchain.cmake"
mingw_prefix=x86_64-w64-mingw32
version=$(sed -n 's/^project(ZKD735_DataRecorder VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")

step "programs and core unit tests"
mkdir -p "$out"
cmake -S "$here" -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$qt_toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_TESTING=ON >"$out/configure.log" 2>&1 \
  || { tail -30 "$out/configure.log" >&2; fail "configure of the Windows build (log above)"; }
cmake --build "$out" --parallel "$jobs" >"$out/build.log" 2>&1 \
  || { grep -m20 -B2 -A8 'error' "$out/build.log" >&2 || tail -30 "$out/build.log" >&2; fail "Windows build (log above)"; }
step_done

# The manual is made by a Linux build of the same sources (it is drawn with
# the window's own picture); the check under Wine compares the Windows
# program's files with that build's.
# A Linux build of this clone in build/ (scripts/build.sh) is taken when it
# has both; else one is made in build-win/host.
step "Linux build of the manual and the window"
host="$out/host"
if [ -f "$here/build/bin/ZKD735.pdf" ] && [ -x "$here/build/bin/ZKD735_DataRecorder" ] \
    && [ -z "$(find "$here/src" "$here/docs/manual" -newer "$here/build/bin/ZKD735_DataRecorder" -type f | head -1)" ]; then
  mkdir -p "$host/bin"
  cp "$here/build/bin/ZKD735.pdf" "$here/build/bin/ZKD735_DataRecorder" "$host/bin/"
else
  bash "$here/scripts/setup.sh" >/dev/null || fail "setup.sh (the Linux build's packages)"
  { cmake -S "$here" -B "$host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null \
    && cmake --build "$host" --target manual ZKD735_DataRecorder --parallel "$jobs" >"$out/host.log" 2>&1; } \
    || { tail -20 "$out/host.log" >&2; fail "the Linux build of the manual and the window"; }
fi
manual="$host/bin/ZKD735.pdf"
step_done

step "portable folder"
portable="$out/portable"
rm -rf "$portable"
mkdir -p "$portable/platforms" "$portable/styles" "$portable/imageformats" "$portable/iconengines" \
  "$portable/translations"
cp "$out/bin/ZKD735_DataRecorder.exe" "$out/bin/zkd735-record.exe" "$portable/"
cp "$qt_prefix/plugins/platforms/qwindows.dll" "$portable/platforms/"
cp "$qt_prefix/plugins/styles/qwindowsvistastyle.dll" "$portable/styles/"
cp "$qt_prefix/plugins/imageformats/qsvg.dll" "$portable/imageformats/"
cp "$qt_prefix/plugins/iconengines/qsvgicon.dll" "$portable/iconengines/"
cp /usr/share/qt6/translations/qtbase_de.qm /usr/share/qt6/translations/qtbase_fr.qm "$portable/translations/" \
  || fail "Qt's own German and French texts (qt6-translations-l10n)"
cp "$manual" "$portable/ZKD735.pdf"
# Every DLL a program or plugin loads, from Qt's folder or MinGW's runtime,
# followed until nothing new is needed; the system's own DLLs stay out.
dll_dirs=("$qt_prefix/bin" "$(dirname "$("$mingw_prefix-g++-posix" -print-file-name=libstdc++-6.dll)")"
          "/usr/$mingw_prefix/lib")
pending=("$portable"/*.exe "$portable"/*/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
  binary="${pending[0]}"
  pending=("${pending[@]:1}")
  while read -r dll; do
    [ -e "$portable/$dll" ] && continue
    for dir in "${dll_dirs[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$portable/"
        pending+=("$portable/$dll")
        break
      fi
    done
  done < <("$mingw_prefix-objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
"$mingw_prefix-strip" "$portable"/*.exe "$portable"/*.dll "$portable"/*/*.dll
step_done

step "installer"
setup="$out/ZKD735-DataRecorder-$version-setup.exe"
uninstall_list="$out/uninstall-list.nsh"
# shellcheck disable=SC2016  # $INSTDIR is the installer's own variable, written into the list as it stands
(cd "$portable" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
 cd "$portable" && find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|') \
  >"$uninstall_list"
makensis -V2 -DVERSION="$version" -DPORTABLE="$portable" -DOUTFILE="$setup" -DUNINSTALL_LIST="$uninstall_list" \
  "$here/packaging/windows/installer.nsi" >"$out/nsis.log" 2>&1 \
  || { tail -30 "$out/nsis.log" >&2; fail "NSIS installer (log above)"; }
step_done

echo "portable folder: $portable ($(du -sh "$portable" | cut -f1))"
echo "installer: $setup ($(du -h "$setup" | cut -f1))"
echo "windows-build: $(( $(date +%s) - script_start )) s in all"
