# The compile settings every target of the project shares, in one place:
# the main build (CMakeLists.txt) and the MinGW sub-build that makes
# winehost.exe (cmake/mingw/CMakeLists.txt) both take them from here.

get_filename_component(TOLVANIRE_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# Warnings are errors for the project's own builds (scripts/test.sh and CI
# turn this on, the Windows build included), not for users and packagers:
# another compiler or optimisation level may warn where ours does not, and
# that must not stop their build.
option(TOLVANIRE_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
set(TOLVANIRE_GCC_WARNINGS -Wall -Wextra -Wpedantic)
set(TOLVANIRE_MSVC_WARNINGS /W4 /utf-8)
if(TOLVANIRE_WARNINGS_AS_ERRORS)
    list(APPEND TOLVANIRE_GCC_WARNINGS -Werror)
    list(APPEND TOLVANIRE_MSVC_WARNINGS /WX)
endif()
# The product libraries as a few batches of sources each (a unity build):
# the sanitizer builds of scripts/test.sh, made from scratch on a clean
# machine, then parse the Qt headers once per batch instead of once per
# source. A type in a source's anonymous namespace then looks to GCC like
# one a header declares, which it warns about only for that reason.
option(TOLVANIRE_UNITY_BUILD "Compile each product library in batches of sources" OFF)
if(TOLVANIRE_UNITY_BUILD)
    list(APPEND TOLVANIRE_GCC_WARNINGS -Wno-subobject-linkage)
endif()
# Windows 7 API level: nothing newer is called without a run-time check.
set(TOLVANIRE_WINDOWS_DEFINES WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# tolvanire_add_options_target(<name>): an INTERFACE target with C++17, the
# warnings, the Windows defines and the one include root (the top of the
# source tree: includes are written "platform/Registry.h",
# "include/FormatSize.h", "tests/fake/MemoryPlatform.h").
function(tolvanire_add_options_target name)
    add_library(${name} INTERFACE)
    target_compile_features(${name} INTERFACE cxx_std_17)
    target_include_directories(${name} INTERFACE ${TOLVANIRE_SOURCE_ROOT})
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${name} INTERFACE ${TOLVANIRE_GCC_WARNINGS})
    elseif(MSVC)
        target_compile_options(${name} INTERFACE ${TOLVANIRE_MSVC_WARNINGS})
    endif()
    if(WIN32)
        target_compile_definitions(${name} INTERFACE ${TOLVANIRE_WINDOWS_DEFINES})
    endif()
    if(MINGW)
        # The MinGW run-time goes into each program: Wine and Windows find
        # no DLL of MinGW's beside it.
        target_link_options(${name} INTERFACE -static -static-libgcc -static-libstdc++)
    endif()
endfunction()
