# The graphical program: entry point, main window, single instance and the
# files it reads at run time (pictures, style sheets, "uiconfig").
include(${CMAKE_SOURCE_DIR}/scripts/gen-resources.cmake)

# Everything but main(), so that the GUI tests drive the same main window.
add_library(tolvanire_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MainWin.h
    ${CMAKE_CURRENT_LIST_DIR}/MainWin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CommonMenu.h
    ${CMAKE_CURRENT_LIST_DIR}/CommonMenu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MenuStyle.h
    ${CMAKE_CURRENT_LIST_DIR}/MenuStyle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StyleMenu.h
    ${CMAKE_CURRENT_LIST_DIR}/StyleMenu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramRun.h
    ${CMAKE_CURRENT_LIST_DIR}/ProgramRun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RightContent.h
    ${CMAKE_CURRENT_LIST_DIR}/RightContent.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RightContentBase.h
    ${CMAKE_CURRENT_LIST_DIR}/RightTab.h
    ${CMAKE_CURRENT_LIST_DIR}/RightTab.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.h
    ${CMAKE_CURRENT_LIST_DIR}/SingleInstance.cpp
)
target_link_libraries(tolvanire_shell PUBLIC
    tolvanire_options tolvanire_dialogs tolvanire_widgetlib tolvanire_ui_support tolvanire_inventory tolvanire_update
    tolvanire_pages Qt5::Widgets)

add_executable(tolvanire-uninstaller WIN32 ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
# Only the program chooses a backend; the tests give the main window theirs.
target_link_libraries(tolvanire-uninstaller PRIVATE tolvanire_shell tolvanire_platform tolvanire_crashhandler)
if(NOT WIN32)
    # Function names in the crash report's backtrace.
    target_link_options(tolvanire-uninstaller PRIVATE -rdynamic)
elseif(MINGW)
    # The MinGW runtime goes into the program: nothing to ship beside it.
    target_link_options(tolvanire-uninstaller PRIVATE -static)
endif()
add_dependencies(tolvanire-uninstaller tolvanire_runtime_files)
# With a static Qt (the Windows build), Qt's CMake files link and import the
# platform and picture-format plugins by themselves.
