# Sourced by the scripts: picks the build tree and the Wine that runs it.
# The product, and what the tests judge, is the 32-bit build in build/win32.
# Where the kernel cannot execute 32-bit code, 32-bit Wine runs under an
# emulated CPU (scripts/emulated). build/win64, the same sources built for
# 64-bit Windows, is a tool: the benchmark's native timings and a quick local
# loop (ZELPIN_BUILD=build/win64 scripts/test).
ZELPIN_ROOT=$(cd "$(dirname "$0")/.." && pwd)
ZELPIN_PRODUCT=$ZELPIN_ROOT/build/win32
ZELPIN_EMULATOR=$ZELPIN_ROOT/build/emulator/qemu-i386
: "${ZELPIN_BUILD:=$ZELPIN_PRODUCT}"
case "$ZELPIN_BUILD" in
    /*) ;;
    *) ZELPIN_BUILD=$ZELPIN_ROOT/${ZELPIN_BUILD#./} ;;
esac
case "$ZELPIN_BUILD" in
    *win64*) ZELPIN_ARCH=win64; ZELPIN_TOOLCHAIN=$ZELPIN_ROOT/cmake/mingw-x86_64.cmake ;;
    *)       ZELPIN_ARCH=win32; ZELPIN_TOOLCHAIN=$ZELPIN_ROOT/cmake/mingw-i686.cmake ;;
esac
# Whether 32-bit programs run natively here (inside the emulator's namespace
# they do, through it).
zelpin_runs_32bit() {
    [ -n "$ZELPIN_IN_EMULATOR" ] || /usr/lib/wine/wineserver32 --version >/dev/null 2>&1
}
export ZELPIN_ROOT ZELPIN_PRODUCT ZELPIN_BUILD ZELPIN_ARCH ZELPIN_EMULATOR
# The scripts' Python lives in the package scriptlib/ at the top.
export PYTHONPATH="$ZELPIN_ROOT${PYTHONPATH:+:$PYTHONPATH}"
export WINEPREFIX="$ZELPIN_BUILD/wineprefix" WINEARCH=$ZELPIN_ARCH
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# Under the emulator only Wine's 32-bit side is emulated: the server stays native.
if [ -n "$ZELPIN_IN_EMULATOR" ]; then
    export WINESERVER=/usr/lib/wine/wineserver64
fi
