# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model,
# which std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TLMAPER_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TLMAPER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TLMAPER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TLMAPER_MINGW_TRIPLE}-windres)

# Libraries and packages come from the mingw-w64 tree and from the prefixes given on
# the command line, never from the build machine's own /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${TLMAPER_MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
