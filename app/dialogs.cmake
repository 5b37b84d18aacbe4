# Window frames, title bars and the small dialogs shared by the whole program.
add_library(tolvanire_dialogs STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DialogLook.h
    ${CMAKE_CURRENT_LIST_DIR}/TitleBarBase.h
    ${CMAKE_CURRENT_LIST_DIR}/TitleBarBase.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitle.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowTitle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WindowDlgTitle.h
    ${CMAKE_CURRENT_LIST_DIR}/WindowDlgTitle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinFrm.h
    ${CMAKE_CURRENT_LIST_DIR}/WinFrm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinDlgFrm.h
    ${CMAKE_CURRENT_LIST_DIR}/WinDlgFrm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseDialog.h
    ${CMAKE_CURRENT_LIST_DIR}/BaseDialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AeroGlassHelper.h
    ${CMAKE_CURRENT_LIST_DIR}/AeroGlassHelper.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BlurDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/BlurDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MSGDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/MSGDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StartDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/StartDlg.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RefreshDlg.h
    ${CMAKE_CURRENT_LIST_DIR}/RefreshDlg.cpp
)
target_link_libraries(tolvanire_dialogs PUBLIC tolvanire_options tolvanire_widgetlib tolvanire_ui_support Qt5::Widgets)
