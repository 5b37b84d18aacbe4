# Logging, byte-count formatting and path text helpers shared by every layer
# above platform/: Qt Core only.
add_library(tolvanire_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/Log.h
    ${CMAKE_CURRENT_LIST_DIR}/Log.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HostPaths.h
    ${CMAKE_CURRENT_LIST_DIR}/HostPaths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HostFiles.h
    ${CMAKE_CURRENT_LIST_DIR}/HostFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinePrefix.h
    ${CMAKE_CURRENT_LIST_DIR}/WinePrefix.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PrefixFinder.h
    ${CMAKE_CURRENT_LIST_DIR}/PrefixFinder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PrefixProgramCount.h
    ${CMAKE_CURRENT_LIST_DIR}/PrefixProgramCount.cpp
    ${CMAKE_SOURCE_DIR}/include/FormatSize.h
    ${CMAKE_CURRENT_LIST_DIR}/FormatSize.cpp
    ${CMAKE_SOURCE_DIR}/include/PathText.h
    ${CMAKE_CURRENT_LIST_DIR}/PathText.cpp
)
target_link_libraries(tolvanire_support PUBLIC tolvanire_options Qt5::Core)
if(NOT WIN32)
    # The install layout of the Linux program (platform/InstallLayout.h).
    target_link_libraries(tolvanire_support PRIVATE tolvanire_platform)
endif()
