#!/bin/sh
# Builds the static Qt 5.15 (qtbase) for 64-bit Windows with MinGW-w64 from
# Debian 12's source package: the Qt that scripts/build-windows.sh links, for
# machines that do not have qt5-mingw-static.tar.xz (about 16 minutes on 2
# cores). Needs root (apt-get) and deb-src access to Debian's archive.
#
#   scripts/build-qt5-mingw.sh PREFIX [ARCHIVE]
#
# installs Qt into PREFIX; with ARCHIVE it also packs PREFIX into that
# .tar.xz, unpacking to a folder named after PREFIX's last component. Then:
#   TOLVANIRE_QT_MINGW=PREFIX scripts/build-windows.sh
set -eu
prefix=${1:?usage: build-qt5-mingw.sh PREFIX [ARCHIVE]}
archive=${2:-}
case "$prefix" in /*) ;; *) prefix="$(pwd)/$prefix" ;; esac
work=$(mktemp -d "${TMPDIR:-/tmp}/qt5-mingw.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq g++-mingw-w64-x86-64 dpkg-dev xz-utils >/dev/null
# The posix thread model: the win32 one has no std::mutex, which QtTest
# needs; the project's own build names the -posix compilers directly.
$sudo update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-posix
$sudo update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-posix
if ! grep -rqs deb-src /etc/apt/sources.list /etc/apt/sources.list.d/; then
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
        $sudo tee /etc/apt/sources.list.d/debsrc.sources >/dev/null
    $sudo apt-get update -qq
fi

cd "$work"
apt-get source --download-only qtbase-opensource-src >/dev/null 2>&1
tar xf qtbase-opensource-src_*.orig.tar.xz
mkdir build
cd build
# Debian's source has no wintab.h, hence no tablet events; no OpenGL, the
# program draws with the raster engine; Schannel for TLS, no OpenSSL DLLs.
../qtbase-everywhere-src-*/configure -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
    -prefix "$prefix" -opensource -confirm-license -release -static -static-runtime \
    -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre \
    -qt-harfbuzz -qt-freetype -no-sql-sqlite -no-openssl -schannel -no-feature-sql -no-feature-concurrent \
    -no-feature-tabletevent >configure.log 2>&1 || { tail -40 configure.log >&2; exit 1; }
make -j"$(nproc)" >make.log 2>&1 || { tail -40 make.log >&2; exit 1; }
make install >install.log 2>&1

# MinGW names these libraries in lower case; the generated files must too.
cd "$prefix"
grep -rlE -- "-l(Crypt32|Secur32)" --include=*.prl --include=*.cmake --include=*.pri . |
    xargs -r sed -i "s/-lCrypt32/-lcrypt32/g; s/-lSecur32/-lsecur32/g"

if [ -n "$archive" ]; then
    tar cJf "$archive" -C "$(dirname "$prefix")" "$(basename "$prefix")"
    echo "build-qt5-mingw: packed into $archive"
fi
echo "build-qt5-mingw: Qt for MinGW installed in $prefix"
