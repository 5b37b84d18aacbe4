# winehost.exe, built by the MinGW sub-build (cmake/mingw/CMakeLists.txt).
add_executable(winehost
    ${CMAKE_CURRENT_LIST_DIR}/winehost/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/HostServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/HostProtocol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/HostPulse.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/HostRunWait.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/ListReadAhead.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/RegistryDump.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/WireReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winehost/WireWriter.cpp)
target_link_libraries(winehost PRIVATE tolvanire_platform_win32)
