# 64-bit Windows.
set(QV_MINGW_ARCH x86_64)
set(QV_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
