# The Linux side of a deep clean end to end: two prefixes in one sandbox
# home (desktop-entries-setup.sh), a program uninstalled with --clean from
# the first, and the menu entries, launchers and icons Wine made for the
# programs of both. The test changes the home, so its setup runs afresh
# with each run.
set(e2e_desktop_work ${CMAKE_CURRENT_BINARY_DIR}/e2e_desktop)
add_test(NAME e2e_desktop_setup COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop-entries-setup.sh ${e2e_desktop_work})
set_tests_properties(e2e_desktop_setup PROPERTIES FIXTURES_SETUP e2e_desktop LABELS wine TIMEOUT 900)
if(NOT TOLVANIRE_KEEP_TEST_PREFIXES)
    add_test(NAME e2e_desktop_cleanup
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/desktop-entries-setup.sh --remove ${e2e_desktop_work})
    set_tests_properties(e2e_desktop_cleanup PROPERTIES FIXTURES_CLEANUP e2e_desktop LABELS wine TIMEOUT 120)
endif()

add_executable(tolvanire_e2e_desktop_tests DesktopEntriesE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_desktop_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_desktop_tests tolvanire-uninstaller-cli)
tolvanire_discover_gtests(tolvanire_e2e_desktop_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_desktop
               ENVIRONMENT "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
                           "TOLVANIRE_DESKTOP_WORK=${e2e_desktop_work}"
                           "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-desktop.log")
