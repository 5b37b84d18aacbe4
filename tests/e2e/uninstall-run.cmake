# The whole program removing three programs in one run, on a prefix whose
# NSIS uninstallers relaunch themselves and work for a few seconds, beside
# an unrelated program whose name holds one of theirs; then a program whose
# uninstaller quits at once, as when cancelled.
tolvanire_add_wine_prefix(e2e_run_gui_prefix FILES runner/cobalt-draw.nsi runner/birch-player.nsi
                          runner/acme-notes.nsi runner/acme-notes-lite.nsi runner/quill-writer.nsi)
add_executable(tst_uninstallrun_wine tst_uninstallrun_wine.cpp)
target_link_libraries(tst_uninstallrun_wine PRIVATE tolvanire_options tolvanire_shell tolvanire_platform Qt5::Test)
add_dependencies(tst_uninstallrun_wine tolvanire_runtime_files)
if(TARGET tolvanire_mingw)
    add_dependencies(tst_uninstallrun_wine tolvanire_mingw)
endif()
add_test(NAME e2e.uninstallrun.gui.wine COMMAND tst_uninstallrun_wine WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(e2e.uninstallrun.gui.wine PROPERTIES LABELS "wine;gui;threads" TIMEOUT 600
                     FIXTURES_REQUIRED e2e_run_gui_prefix
                     ENVIRONMENT "${e2e_run_gui_prefix_ENVIRONMENT};${TOLVANIRE_GUI_TEST_ENV}")
