# CUIPublic and the host services seam (CHostServices): what the graphical
# program needs from the system it runs on. Only this system's backend is
# compiled.
add_library(tolvanire_ui_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/UIPublic.h
    ${CMAKE_CURRENT_LIST_DIR}/UIPublic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/host/InstanceClaim.h
    ${CMAKE_CURRENT_LIST_DIR}/host/HostServices.h
    ${CMAKE_CURRENT_LIST_DIR}/host/HostServices.cpp
)
target_link_libraries(tolvanire_ui_support PUBLIC tolvanire_options tolvanire_support Qt5::Widgets)
if(WIN32)
    target_sources(tolvanire_ui_support PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/host/WinHostServices.h
        ${CMAKE_CURRENT_LIST_DIR}/host/WinHostServices.cpp)
    # File version of kernel32.dll, the shell's "open" verb, windows.
    target_link_libraries(tolvanire_ui_support PRIVATE version shell32 user32)
else()
    target_sources(tolvanire_ui_support PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/host/NixHostServices.h
        ${CMAKE_CURRENT_LIST_DIR}/host/NixHostServices.cpp)
    find_package(Qt5 REQUIRED COMPONENTS Network)
    target_link_libraries(tolvanire_ui_support PRIVATE Qt5::Network)
endif()
