# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the POSIX
# thread model, which std::thread needs) and its Windows zlib (libz-mingw-w64-dev). Programs are
# linked statically so that they run without MinGW's DLLs beside them. Use with
# -DTORVANE_WITH_QT=OFF (there is no Qt for this compiler here); scripts/windows-check.sh runs the
# result under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TORVANE_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TORVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(ZLIB_USE_STATIC_LIBS ON)
