# scripts/common.sh - shared settings of the build, test and main-job commands (sourced).
PIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PIX_OUT=${PIX_OUT:-$PIX_ROOT/out}
PIX_WINE_ROOT=${PIX_WINE_ROOT:-$PIX_OUT/wine}
PIX_WINE=/usr/lib/wine/wine64

# A Hungarian Windows (code page 1250) with nothing reaching for the network or the desktop.
# PIX_WINE_LANG runs a test program on another system code page (C.UTF-8: 1252, Western
# European); it must be a locale that `locale -a` lists, or Wine can name no file with an
# accented letter.
pix_wine_env() {
  export WINEDEBUG=${PIX_WINEDEBUG:--all}  # PIX_WINEDEBUG: channels for a look at a failure
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
  local lang=${PIX_WINE_LANG:-hu_HU.UTF-8}
  export LANG=$lang LC_ALL=$lang
}

# Installs the Debian packages the project needs, when any is missing.
pix_install_packages() {
  local need=(cmake ninja-build g++ clang g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
              binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb xauth
              imagemagick googletest python3 python3-yaml locales gcab osslsigncode openssl)
  local missing=()
  for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  # Wine names unix files through this locale: without it no file name with an accented
  # letter (the Hungarian shortcut captions) can be created.
  if ! locale -a 2>/dev/null | grep -qix 'hu_HU.utf8'; then
    local sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo localedef -i hu_HU -f UTF-8 hu_HU.UTF-8
  fi
}

# Configures one of the three builds: win32, win64 or native (in $PIX_OUT/build-<kind>).
pix_configure() {
  local kind=$1; shift
  local args=(-G Ninja -S "$PIX_ROOT" -B "$PIX_OUT/build-$kind" -DCMAKE_BUILD_TYPE=MinSizeRel
              "-DPIX_OUT_DIR=$PIX_OUT/$kind")
  case $kind in
    win32)  args+=("-DCMAKE_TOOLCHAIN_FILE=$PIX_ROOT/cmake/mingw-i686.cmake") ;;
    win64)  args+=("-DCMAKE_TOOLCHAIN_FILE=$PIX_ROOT/cmake/mingw-x86_64.cmake" -DPIX_BUILD_TESTS=ON) ;;
    native) args+=(-DPIX_BUILD_TESTS=ON -DCMAKE_CXX_COMPILER=g++ -DPIX_SANITIZE=ON) ;;
  esac
  cmake "${args[@]}" "$@" >/dev/null
}

# Configures and builds one of the three builds: win32, win64 or native.
pix_build() {
  pix_configure "$@" && cmake --build "$PIX_OUT/build-$1" -j "$(nproc)"
}
