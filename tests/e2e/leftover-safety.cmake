# The leftover remover's fences end to end: programs that share folders,
# names and registry keys with others, and "Other Tool", which must keep
# everything. The tests change the prefix, so its setup runs afresh with
# each run.
set(safety_dir ${CMAKE_SOURCE_DIR}/tests/fixtures/nsis/safety)
tolvanire_add_wine_prefix(
    e2e_safety_prefix
    FILES ${safety_dir}/other-tool.nsi ${safety_dir}/acme-studio.nsi ${safety_dir}/dual.nsi
          ${safety_dir}/vela-paint.nsi ${safety_dir}/vela-draw.nsi ${safety_dir}/vela-updater.nsi
          ${safety_dir}/host-app.nsi ${safety_dir}/host-plugin.nsi)

add_executable(tolvanire_e2e_safety_tests LeftoverSafetyE2ETest.cpp CliRunner.h CliRunner.cpp)
target_link_libraries(tolvanire_e2e_safety_tests PRIVATE tolvanire_options Qt5::Core GTest::gtest GTest::gtest_main)
add_dependencies(tolvanire_e2e_safety_tests tolvanire-uninstaller-cli)
set(e2e_safety_environment
    "TOLVANIRE_CLI=$<TARGET_FILE:tolvanire-uninstaller-cli>" "TOLVANIRE_SAFETY_PREFIX=${e2e_safety_prefix_PREFIX}"
    "TOLVANIRE_SAFETY_HOME=${e2e_safety_prefix_HOME}"
    "TOLVANIRE_LOG_FILE=${CMAKE_CURRENT_BINARY_DIR}/e2e-safety.log")
foreach(test AGenericLeafReachesNoOtherProgramAndEmptiedFoldersGo RegistryLeftoversAreDeletedOnlyInTheHiveTheyWereFoundIn
             WhatOtherProgramsClaimIsOutOfReach AnInstallLocationOnTheLinuxHomeIsSkipped
             AFolderNameVoidsNoOtherProgramsName APlugInInsideAnotherProgramsAppDataFolderIsOutOfReach
             UnexpandedTextsOfAnotherProgramClaimWhatTheyName ACommaInAQuotedIconPathKeepsItsClaim
             AProgramNamedInCyrillicIsListedAndCleanedWhole ATreeFourHundredCharactersDeepIsRemovedWhole)
    add_test(NAME LeftoverSafetyE2ETest.${test} COMMAND tolvanire_e2e_safety_tests
                                                        --gtest_filter=LeftoverSafetyE2ETest.${test})
    set_tests_properties(LeftoverSafetyE2ETest.${test} PROPERTIES LABELS wine TIMEOUT 600
                         FIXTURES_REQUIRED e2e_safety_prefix ENVIRONMENT "${e2e_safety_environment}")
endforeach()
