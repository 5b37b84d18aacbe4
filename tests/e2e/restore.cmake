# A deep clean undone end to end: a program's leftovers (files, AppData,
# uninstall keys in both views and HKCU, a MuiCache value) cleaned into a
# restore point and put back. The test changes the prefix, so its setup
# runs afresh with each run.
tolvanire_add_wine_prefix(e2e_restore_prefix FILES ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/restore/restore-app.reg)

add_executable(tolvanire_e2e_restore_tests RestoreE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_restore_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_restore_tests tolvanire-uninstaller-cli)
tolvanire_discover_gtests(
    tolvanire_e2e_restore_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_restore_prefix
    ENVIRONMENT "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
                "TOLVANIRE_RESTORE_PREFIX=${e2e_restore_prefix_PREFIX}" "TOLVANIRE_RESTORE_HOME=${e2e_restore_prefix_HOME}"
                "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-restore.log")
