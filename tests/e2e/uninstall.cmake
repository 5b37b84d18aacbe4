# "uninstall" end to end: NSIS programs whose uninstallers relaunch
# themselves and take a few seconds, one whose uninstaller quits at once, and
# an unrelated program, in one prefix; and one whose install folder a test
# deletes by hand. Each test runs its own programs, so
# the tests share the prefix; it changes, so its setup runs afresh with each
# run.
set(uninstall_fixtures cobalt-draw.nsi acme-notes.nsi birch-player.nsi late-clock.nsi quill-writer.nsi
                       acme-notes-lite.nsi dune-reader.nsi)
list(TRANSFORM uninstall_fixtures PREPEND ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/runner/)
tolvanire_add_wine_prefix(e2e_uninstall_prefix FILES ${uninstall_fixtures})

add_executable(tolvanire_e2e_uninstall_tests UninstallE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_uninstall_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest
                                                            GTest::gtest_main)
add_dependencies(tolvanire_e2e_uninstall_tests tolvanire-uninstaller-cli)
set(e2e_uninstall_environment
    "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>"
    "TOLVANIRE_UNINSTALL_PREFIX=${e2e_uninstall_prefix_PREFIX}"
    "TOLVANIRE_UNINSTALL_HOME=${e2e_uninstall_prefix_HOME}"
    "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-uninstall.log")
tolvanire_discover_gtests(tolvanire_e2e_uninstall_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_uninstall_prefix
               ENVIRONMENT ${e2e_uninstall_environment})
