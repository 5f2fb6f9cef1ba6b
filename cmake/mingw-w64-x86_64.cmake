# Cross build for 64-bit Windows with Debian's MinGW-w64 (preset "windows-cli"); CTest runs the
# programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The POSIX thread model: std::thread and std::mutex as on Linux.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes linked in, so each .exe stands alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Wine's 64-bit loader, quiet, in a prefix inside the build folder (see wine.sh).
find_program(TESSALY_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TESSALY_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        sh ${CMAKE_CURRENT_LIST_DIR}/wine.sh ${TESSALY_WINE} ${CMAKE_BINARY_DIR}/wineprefix)
endif()
