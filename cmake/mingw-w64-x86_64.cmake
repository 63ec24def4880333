# Cross-compiling for 64-bit Windows with Debian's mingw-w64. The -posix compilers give
# std::thread; everything links statically so tarnwick.exe needs no mingw DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWICK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLE}-windres)

# Libraries cross-built by scripts/windows-deps.sh live under this prefix.
set(TARNWICK_WINDOWS_DEPS "" CACHE PATH "Prefix of the cross-built libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLE} ${TARNWICK_WINDOWS_DEPS})
# pkg-config reads only their .pc files, never the build machine's.
if(TARNWICK_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} "${TARNWICK_WINDOWS_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, with a prefix of their own (the Windows build script makes it).
set(CMAKE_CROSSCOMPILING_EMULATOR wine CACHE FILEPATH "Runs the cross-built programs")
