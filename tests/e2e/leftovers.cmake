# "leftovers" and "clean" end to end: "Acme Notes" and its sibling "Acme
# Notes Pro" installed by real installers into a prefix of their own. The
# clean test changes the prefix, so its setup runs afresh with each run.
set(leftover_installers ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/leftovers/acme-notes.nsi
                        ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/leftovers/acme-notes-pro.nsi)
tolvanire_add_wine_prefix(e2e_leftovers_prefix FILES ${leftover_installers})

add_executable(tolvanire_e2e_leftover_tests LeftoversE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_leftover_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_leftover_tests tolvanire-uninstaller-cli)
set(e2e_leftovers_environment
    "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
    "TOLVANIRE_LEFTOVERS_PREFIX=${e2e_leftovers_prefix_PREFIX}" "TOLVANIRE_LEFTOVERS_HOME=${e2e_leftovers_prefix_HOME}"
    "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-leftovers.log")
tolvanire_discover_gtests(tolvanire_e2e_leftover_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_leftovers_prefix ENVIRONMENT ${e2e_leftovers_environment})
