# 32-bit Windows.
set(QV_MINGW_ARCH i686)
set(QV_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
