# The Windows backend's sources, shared by the native Windows build
# (platform/CMakeLists.txt) and the MinGW sub-build that makes winehost.exe.
set(TOLVANIRE_WIN32_BACKEND_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Win32FileSystem.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32Registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Win32System.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WideText.cpp)
set(TOLVANIRE_WIN32_BACKEND_LIBS advapi32 shell32 shlwapi user32)

