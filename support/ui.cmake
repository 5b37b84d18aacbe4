# CUIPublic, the settings reader and the URL opener of the graphical program.
add_library(tolvanire_ui_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/UIPublic.h
    ${CMAKE_CURRENT_LIST_DIR}/UIPublic.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UrlOpener.h
    ${CMAKE_CURRENT_LIST_DIR}/UrlOpener.cpp
)
target_link_libraries(tolvanire_ui_support PUBLIC tolvanire_options Qt5::Core Qt5::Gui)
if(WIN32)
    target_link_libraries(tolvanire_ui_support PUBLIC version shell32)
endif()

# The crash handler installs itself during static initialisation, so it is
# an object library: its object always lands in the program (a static
# library member nobody refers to would be dropped by the linker).
add_library(tolvanire_crashhandler OBJECT
    ${CMAKE_CURRENT_LIST_DIR}/CrashHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/CrashHandler.cpp
)
target_link_libraries(tolvanire_crashhandler PUBLIC tolvanire_options)
