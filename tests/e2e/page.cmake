# What the program page asks of a real prefix through the core.
tolvanire_add_wine_prefix(e2e_page_prefix FILES plain.nsi cafe.nsi)
add_executable(tolvanire_e2e_page_tests InventoryServiceE2ETest.cpp)
target_link_libraries(tolvanire_e2e_page_tests PRIVATE tolvanire_options tolvanire_uninstall_core tolvanire_platform
                                                       GTest::gtest GTest::gtest_main)
foreach(test RefreshDecodesTheList CreationTimeOfARealInstallFolder InstalledProgramsShowTheirOwnIcons
             MissingIconFileGivesNoIcon)
    add_test(NAME InventoryServiceE2ETest.${test}
             COMMAND tolvanire_e2e_page_tests --gtest_filter=InventoryServiceE2ETest.${test})
    set_tests_properties(InventoryServiceE2ETest.${test} PROPERTIES LABELS "wine;threads" TIMEOUT 300
                         FIXTURES_REQUIRED e2e_page_prefix
                         ENVIRONMENT "${e2e_page_prefix_ENVIRONMENT};TOLVANIRE_PAGE_PREFIX=${e2e_page_prefix_PREFIX}")
endforeach()
