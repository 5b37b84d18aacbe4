# Windows Installer packages end to end: a real .msi built with wixl and
# installed with Wine's msiexec, an entry under a product code Windows
# Installer does not know, and the unrelated "Other Tool", in one prefix.
# The tests remove programs, so its setup runs afresh with each run.
tolvanire_add_wine_prefix(
    e2e_msi_prefix FILES ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/safety/other-tool.nsi
                         ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/msi/juniper-notes.wxs
                         ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/msi/hazel-sync.reg)

add_executable(tolvanire_e2e_msi_tests MsiE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_msi_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_msi_tests tolvanire-uninstaller-cli)
set(e2e_msi_environment
    "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>" "TOLVANIRE_MSI_PREFIX=${e2e_msi_prefix_PREFIX}"
    "TOLVANIRE_MSI_HOME=${e2e_msi_prefix_HOME}" "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-msi.log")
tolvanire_discover_gtests(tolvanire_e2e_msi_tests
    PROPERTIES LABELS wine TIMEOUT 600 FIXTURES_REQUIRED e2e_msi_prefix ENVIRONMENT ${e2e_msi_environment})
