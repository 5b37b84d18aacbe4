# "orphans" end to end: "Acme Notes" beside an unrelated program in a prefix
# of their own; once Acme Notes' registration is gone, its folders are
# listed and one of them is deleted. The test changes the prefix, so its
# setup runs afresh with each run.
tolvanire_add_wine_prefix(e2e_orphans_prefix FILES ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/leftovers/acme-notes.nsi
                                                   ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/cafe.nsi)

add_executable(tolvanire_e2e_orphan_tests OrphansE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_orphan_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_orphan_tests tolvanire-uninstaller-cli)
tolvanire_discover_gtests(tolvanire_e2e_orphan_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_orphans_prefix
    ENVIRONMENT "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
                "TOLVANIRE_ORPHANS_PREFIX=${e2e_orphans_prefix_PREFIX}" "TOLVANIRE_ORPHANS_HOME=${e2e_orphans_prefix_HOME}"
                "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-orphans.log")
