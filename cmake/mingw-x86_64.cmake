# Windows x86-64 DLL with the MinGW-w64 cross compiler; tests run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# The tests run in a wine prefix of the build's own, made on first use: no other wine
# program on the machine shares its wineserver or its temporary folder.
set(TESSARYN_WINE /usr/lib/wine/wine64)
set(TESSARYN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${TESSARYN_WINE_PREFIX} ${TESSARYN_WINE})
