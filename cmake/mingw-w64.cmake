# Cross-building for 64-bit Windows with Debian's mingw-w64. The posix thread
# model gives std::thread, which the tests use; the compiler's runtimes
# (libgcc, libstdc++, winpthread) are linked in statically so the game needs
# no compiler DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

# DUSKWANE_MINGW_PREFIX: where the cross-built libraries are (scripts/windows-libs.sh).
if(DEFINED ENV{DUSKWANE_MINGW_PREFIX})
  set(DUSKWANE_MINGW_PREFIX $ENV{DUSKWANE_MINGW_PREFIX} CACHE PATH "Cross-built libraries")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${DUSKWANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Libraries named by full path (the DLLs' import libraries) stay dynamic.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
