# Windows with Debian's mingw-w64, for the architecture the including toolchain file names in
# KESTRA_MINGW_ARCH (i686 or x86_64). The posix thread model: the filter's portable code uses
# std::thread and std::mutex. FFmpeg comes from scripts/ffmpeg-win.sh, found through its
# pkg-config files; static libraries, so their private dependencies are asked for too.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KESTRA_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRA_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRA_MINGW_ARCH}-w64-mingw32-windres)

set(KESTRA_WIN_FFMPEG "$ENV{HOME}/.cache/kestra-ffmpeg-win/current-${KESTRA_MINGW_ARCH}"
    CACHE PATH "FFmpeg built for Windows by scripts/ffmpeg-win.sh")
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRA_MINGW_ARCH}-w64-mingw32 ${KESTRA_WIN_FFMPEG})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR} "${KESTRA_WIN_FFMPEG}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_ARGN --static)

# The C++ and thread runtimes go inside each binary, so nothing but system DLLs is needed
# beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
