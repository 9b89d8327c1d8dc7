# 32-bit Windows: the product's KestraCamera.dll.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(KESTRA_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
