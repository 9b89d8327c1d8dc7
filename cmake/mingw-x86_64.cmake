# 64-bit Windows: the same sources for a 64-bit Wine, where 32-bit programs cannot run.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KESTRA_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
