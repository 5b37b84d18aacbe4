# Cross-compiles for 64-bit Windows with MinGW-w64 on Debian. The "-posix"
# compilers are used because only they provide std::thread and std::mutex,
# and the static Qt for MinGW was built with them.
#
# Used twice: by the MinGW sub-build of the Linux build (winehost.exe, no
# Qt), and by the Windows build of the whole program (scripts/build-windows.sh),
# which names the static Qt with -DTOLVANIRE_QT_MINGW=<its prefix>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLVANIRE_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${TOLVANIRE_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TOLVANIRE_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TOLVANIRE_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANIRE_MINGW_TRIPLE})
# try_compile projects read this file again and need the same Qt.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVANIRE_QT_MINGW)
if(TOLVANIRE_QT_MINGW)
    # Packages are looked for only under the root paths: the Qt folder must
    # be one of them, or find_package(Qt5) re-roots it under the MinGW one.
    list(APPEND CMAKE_FIND_ROOT_PATH ${TOLVANIRE_QT_MINGW})
    list(APPEND CMAKE_PREFIX_PATH ${TOLVANIRE_QT_MINGW})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests (and GoogleTest's discovery) run the Windows executables under Wine.
find_program(TOLVANIRE_WINE_PROGRAM wine)
if(TOLVANIRE_WINE_PROGRAM)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANIRE_WINE_PROGRAM})
endif()
