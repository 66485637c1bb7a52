# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (posix thread model); the
# programs are linked statically, so each .exe runs on its own, and the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORBI_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORBI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORBI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORBI_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree only, never from the Linux system's /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${ORBI_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libstdc++, libgcc or winpthread DLLs to ship beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# nlohmann::json is header-only; a small package config stages the Debian package's headers for
# this target (see cross/nlohmann_json).
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross/nlohmann_json CACHE PATH "nlohmann::json for the Windows build")

# ctest starts every test program through Wine (Debian's wine64 keeps its loader here).
foreach(candidate /usr/lib/wine/wine64 /usr/bin/wine64 /usr/bin/wine)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR AND EXISTS ${candidate})
    set(CMAKE_CROSSCOMPILING_EMULATOR ${candidate})
  endif()
endforeach()

# GCC 12 at -O2 and above warns about "literal" + std::string&& inside libstdc++ (-Wrestrict,
# GCC bug 105651), a false positive the native Release build shares.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
