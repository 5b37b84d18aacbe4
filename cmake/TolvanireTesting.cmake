# Tests are found in the sources, not listed by hand:
#
#   tolvanire_discover_gtests(<target> [TEST_PREFIX p] [TEST_FILTER f]
#                             [PROPERTIES <name> <value> ...])
#     one CTest test per GoogleTest case of <target>, found by running it
#     with --gtest_list_tests after each build. Property values may be lists
#     (several fixtures, several environment variables) and may hold
#     generator expressions: they are applied by a file of their own, since
#     gtest_discover_tests splits list values apart.
#     With TOLVANIRE_GTEST_PER_PROGRAM, one CTest test "<p><target>" runs
#     all the cases of <target> (those of the filter) in one process
#     instead: a sanitized program takes about 0.2 s to start and a Windows
#     program under Wine longer, which a run of hundreds of cases pays once
#     per case otherwise. The Release build keeps one process per case.
#
#   tolvanire_add_qtests(PREFIX <p> LIBS <lib>... [SOURCES <file>...]
#                        [EXCLUDE <name>...] [OWN_FOLDER] [LABELS <l>...]
#                        [TIMEOUT <s>] [WORKING_DIRECTORY <dir>]
#                        [DEPENDS <target>...])
#     one executable and one CTest test "<p>.<name>" for each tst_<name>.cpp
#     of the calling folder, linked with the given libraries and Qt5::Test,
#     run on the offscreen platform. OWN_FOLDER puts each executable in a
#     folder of its own (for tests that write files beside it). Each test
#     requires the fixtures named in TOLVANIRE_GUI_TEST_FIXTURES.
#
#   tolvanire_qtest_target(<target>)
#     links <target> with Qt5::Test and, with a static Qt, imports the
#     offscreen platform plugin into it (a static Qt imports only its
#     default one by itself). Every QtTest program goes through it.
#
# Labels: "gui" (the QtTest default), "wine" for tests that need Wine, and
# "threads" for tests that start threads, themselves or in the code they
# test: the ThreadSanitizer build of scripts/test.sh runs those
# (ctest -L threads), so a test joins it by its label alone.
#
# In the Windows build the tests run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR (set by the toolchain file).
include(GoogleTest)
# Under Wine every case would start a Windows program of its own.
set(per_program_default OFF)
if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    set(per_program_default ON)
endif()
option(TOLVANIRE_GTEST_PER_PROGRAM "One CTest test per GoogleTest program instead of one per case"
       ${per_program_default})
if(CMAKE_CROSSCOMPILING)
    # Listing the cases of a Windows test needs Wine and a prefix: done when
    # the tests run, not while building.
    set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()

function(tolvanire_discover_gtests target)
    cmake_parse_arguments(ARG "" "TEST_PREFIX;TEST_FILTER" "PROPERTIES" ${ARGN})
    set(extra)
    if(ARG_TEST_PREFIX)
        list(APPEND extra TEST_PREFIX ${ARG_TEST_PREFIX})
    endif()
    if(ARG_TEST_FILTER)
        list(APPEND extra TEST_FILTER ${ARG_TEST_FILTER})
    endif()
    set(props "")
    # The list arrives flattened: a value is everything up to the next
    # upper-case property name.
    set(name "")
    set(value "")
    foreach(item IN LISTS ARG_PROPERTIES)
        if(item MATCHES "^(LABELS|ENVIRONMENT|FIXTURES_REQUIRED|FIXTURES_SETUP|TIMEOUT|RESOURCE_LOCK|RUN_SERIAL|WORKING_DIRECTORY|WILL_FAIL|SKIP_RETURN_CODE)$")
            if(name)
                string(APPEND props " ${name} [==[${value}]==]")
            endif()
            set(name ${item})
            set(value "")
        elseif(value STREQUAL "")
            set(value "${item}")
        else()
            string(APPEND value ";${item}")
        endif()
    endforeach()
    if(name)
        string(APPEND props " ${name} [==[${value}]==]")
    endif()
    if(TOLVANIRE_GTEST_PER_PROGRAM)
        set(test "${ARG_TEST_PREFIX}${target}")
        set(filter)
        if(ARG_TEST_FILTER)
            set(filter "--gtest_filter=${ARG_TEST_FILTER}")
        endif()
        add_test(NAME ${test} COMMAND ${target} ${filter})
        if(props)
            cmake_language(EVAL CODE "set_tests_properties(\"${test}\" PROPERTIES${props})")
        endif()
        return()
    endif()
    # Discovery under Wine starts a prefix first: give it time.
    gtest_discover_tests(${target} ${extra} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES TEST_LIST ${target}_TESTS)
    if(NOT props)
        return()
    endif()
    set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
    file(GENERATE OUTPUT ${file} CONTENT "foreach(test IN LISTS ${target}_TESTS)
  set_tests_properties(\"\${test}\" PROPERTIES${props})
endforeach()
")
    # Read after the file that gtest_discover_tests registered just before.
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

function(tolvanire_qtest_target target)
    target_link_libraries(${target} PRIVATE Qt5::Test)
    get_target_property(qt_type Qt5::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
        target_link_libraries(${target} PRIVATE Qt5::QOffscreenIntegrationPlugin)
        qt5_import_plugins(${target} INCLUDE Qt5::QOffscreenIntegrationPlugin)
    endif()
endfunction()

function(tolvanire_add_qtests)
    cmake_parse_arguments(ARG "OWN_FOLDER" "PREFIX;TIMEOUT;WORKING_DIRECTORY" "LIBS;SOURCES;EXCLUDE;LABELS;DEPENDS"
                          ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    if(NOT ARG_LABELS)
        set(ARG_LABELS gui)
    endif()
    set(where)
    if(ARG_WORKING_DIRECTORY)
        set(where WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
    endif()
    file(GLOB sources CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    if(NOT sources)
        message(FATAL_ERROR "tolvanire_add_qtests: no tst_*.cpp in ${CMAKE_CURRENT_SOURCE_DIR}")
    endif()
    list(SORT sources)
    foreach(source IN LISTS sources)
        string(REGEX REPLACE "^tst_(.*)\\.cpp$" "\\1" name ${source})
        if(name IN_LIST ARG_EXCLUDE)
            continue()
        endif()
        add_executable(tst_${name} ${source} ${ARG_SOURCES})
        target_link_libraries(tst_${name} PRIVATE tolvanire_options ${ARG_LIBS})
        tolvanire_qtest_target(tst_${name})
        if(ARG_DEPENDS)
            add_dependencies(tst_${name} ${ARG_DEPENDS})
        endif()
        if(ARG_OWN_FOLDER)
            set_target_properties(tst_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name})
        endif()
        add_test(NAME ${ARG_PREFIX}.${name} COMMAND tst_${name} ${where})
        set_tests_properties(${ARG_PREFIX}.${name} PROPERTIES
            ENVIRONMENT "${TOLVANIRE_GUI_TEST_ENV}" LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT})
        if(TOLVANIRE_GUI_TEST_FIXTURES)
            set_tests_properties(${ARG_PREFIX}.${name} PROPERTIES FIXTURES_REQUIRED "${TOLVANIRE_GUI_TEST_FIXTURES}")
        endif()
    endforeach()
endfunction()
