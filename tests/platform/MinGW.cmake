# Windows programs for the run-and-wait tests under Wine: a stand-in
# uninstaller with several behaviours, and a probe that calls the Windows
# backend's RunAndWait.
add_executable(runwait_helper ${CMAKE_CURRENT_LIST_DIR}/RunAndWaitHelper.cpp)
target_link_libraries(runwait_helper PRIVATE tolvanire_mingw_options shell32)
add_executable(runwait_probe ${CMAKE_CURRENT_LIST_DIR}/RunAndWaitProbe.cpp)
target_link_libraries(runwait_probe PRIVATE tolvanire_platform_win32)
