# The common part of the two Windows cross builds; the toolchain file that
# includes it names the processor. The -posix compilers are needed by
# GoogleTest (std::mutex); with -static nothing of winpthread is imported at run time.
set(CMAKE_SYSTEM_NAME Windows)
set(tallisk_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${tallisk_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tallisk_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tallisk_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tallisk_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
