# 64-bit Windows build of the same sources: the one the tests run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TK_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model gives GoogleTest the std::mutex it needs; everything is linked
# statically, so the programs still need no MinGW DLL.
set(TK_MINGW_SUFFIX -posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
