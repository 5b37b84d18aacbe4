# The confirmation and result dialogs of an uninstall run.
add_library(tolvanire_uninstall_dialogs STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CloseMsgFence.h
    ${CMAKE_CURRENT_LIST_DIR}/CloseMsgFence.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramIconSource.h
    ${CMAKE_CURRENT_LIST_DIR}/ReadyUninstallDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/ReadyUninstallDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UninstallRstDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/UninstallRstDlg.cpp
)
target_link_libraries(tolvanire_uninstall_dialogs PUBLIC tolvanire_options tolvanire_dialogs tolvanire_ui_support
                                                         tolvanire_support Qt5::Widgets)
