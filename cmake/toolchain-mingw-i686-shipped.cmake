# The shipped programs with the win32-thread mingw-w64 compilers: their static runtime imports
# nothing newer than Windows 2000 (the posix-thread one pulls in winpthread, which needs XP and
# Vista functions). Otherwise the same as the posix-thread toolchain the tests use.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
