# The crash handler installs itself during static initialisation, so it is
# an object library: its object always lands in the program (a static
# library member nobody refers to would be dropped by the linker).
add_library(tolvanire_crashhandler OBJECT
    ${CMAKE_CURRENT_LIST_DIR}/CrashHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/CrashHandler.cpp
)
target_link_libraries(tolvanire_crashhandler PUBLIC tolvanire_options)
if(NOT WIN32)
    # An installed program writes its report where the log goes.
    target_link_libraries(tolvanire_crashhandler PUBLIC tolvanire_platform)
endif()
