# Cross build for 64-bit Windows, from the same sources as the product: its
# tests run under wine64, also on machines that cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
