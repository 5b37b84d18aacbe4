# "list" end to end: the sample installers, and registry data of the wrong
# type or size, each in a prefix of its own.
tolvanire_add_wine_prefix(e2e_list_prefix FILES ${TOLVANIRE_SAMPLE_INSTALLERS})
tolvanire_add_wine_prefix(e2e_baddata_prefix FILES bad-data.reg)

add_executable(tolvanire_e2e_list_tests ListE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_list_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_list_tests tolvanire-uninstaller-cli)
set(e2e_list_environment
    "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
    "TOLVANIRE_LIST_PREFIX=${e2e_list_prefix_PREFIX}" "TOLVANIRE_LIST_HOME=${e2e_list_prefix_HOME}"
    "TOLVANIRE_BADDATA_PREFIX=${e2e_baddata_prefix_PREFIX}" "TOLVANIRE_BADDATA_HOME=${e2e_baddata_prefix_HOME}"
    "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-list.log")
tolvanire_discover_gtests(tolvanire_e2e_list_tests
    PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED e2e_list_prefix e2e_baddata_prefix
               ENVIRONMENT ${e2e_list_environment})

# The command line itself: usage errors and a missing Wine, without a
# prefix; the prefixes found in a sandbox home, without Wine.
add_executable(tolvanire_cli_usage_tests CliUsageTest.cpp PrefixesCliTest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_cli_usage_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_cli_usage_tests tolvanire-uninstaller-cli)
tolvanire_discover_gtests(tolvanire_cli_usage_tests
    PROPERTIES TIMEOUT 120 ENVIRONMENT "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>")
