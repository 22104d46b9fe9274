# Sourced by the scripts: picks the build tree and the Wine that runs it.
# The product is the 32-bit build in build/win32. Where this machine's kernel
# cannot execute 32-bit code (then 32-bit Wine cannot start either), the same
# sources are also built for 64-bit Windows in build/win64 and run there.
ZELPIN_ROOT=$(cd "$(dirname "$0")/.." && pwd)
ZELPIN_PRODUCT=$ZELPIN_ROOT/build/win32
if [ -z "$ZELPIN_BUILD" ]; then
    if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
        ZELPIN_BUILD=$ZELPIN_ROOT/build/win32
    else
        ZELPIN_BUILD=$ZELPIN_ROOT/build/win64
    fi
fi
case "$ZELPIN_BUILD" in
    *win64*) ZELPIN_ARCH=win64; ZELPIN_TOOLCHAIN=$ZELPIN_ROOT/cmake/mingw-x86_64.cmake ;;
    *)       ZELPIN_ARCH=win32; ZELPIN_TOOLCHAIN=$ZELPIN_ROOT/cmake/mingw-i686.cmake ;;
esac
export ZELPIN_ROOT ZELPIN_PRODUCT ZELPIN_BUILD ZELPIN_ARCH
export WINEPREFIX="$ZELPIN_BUILD/wineprefix" WINEARCH=$ZELPIN_ARCH
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
