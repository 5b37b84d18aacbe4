# The Windows build of the whole program: version information, manifest and
# icon of both executables, and the installer (installer.nsi) built from
# what lands in bin/.
enable_language(RC)
# Where the programs and the files they read at run time land.
set(TOLVANIRE_RUNTIME_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

set(TOLVANIRE_PRODUCT_NAME "Tolvanire Uninstaller")
set(TOLVANIRE_COMPANY "Tolvanire")
set(TOLVANIRE_COPYRIGHT "Copyright (C) Tolvanire")
set(TOLVANIRE_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
set(TOLVANIRE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(TOLVANIRE_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")

set(TOLVANIRE_RC_MANIFEST ${CMAKE_BINARY_DIR}/packaging/program.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/program.manifest ${TOLVANIRE_RC_MANIFEST} @ONLY)
# Rendered by the build (scripts/gen-resources.cmake) before any program
# that depends on tolvanire_runtime_files is compiled.
set(TOLVANIRE_RC_ICON ${TOLVANIRE_RUNTIME_DIR}/Resources/Logo.ico)

# tolvanire_add_program_resources(<target> <description>)
function(tolvanire_add_program_resources target description)
    set(TOLVANIRE_RC_FILE_NAME ${target}.exe)
    set(TOLVANIRE_RC_INTERNAL_NAME ${target})
    set(TOLVANIRE_RC_DESCRIPTION ${description})
    set(rc ${CMAKE_BINARY_DIR}/packaging/${target}.rc)
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
        OBJECT_DEPENDS ${TOLVANIRE_RC_MANIFEST})
    add_dependencies(${target} tolvanire_runtime_files)
endfunction()

tolvanire_add_program_resources(tolvanire-uninstaller "${TOLVANIRE_PRODUCT_NAME}")
tolvanire_add_program_resources(tolvanire-uninstaller-cli "${TOLVANIRE_PRODUCT_NAME} (command line)")

# The installer, part of every build: bin/tolvanire-uninstaller-setup.exe.
find_program(TOLVANIRE_MAKENSIS makensis REQUIRED)
set(setup ${TOLVANIRE_RUNTIME_DIR}/tolvanire-uninstaller-setup.exe)
add_custom_command(
    OUTPUT ${setup}
    COMMAND ${TOLVANIRE_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DSTAGE=${TOLVANIRE_RUNTIME_DIR}
            -DVERSION=${TOLVANIRE_VERSION_TEXT} -DOUTFILE=${setup} ${CMAKE_CURRENT_LIST_DIR}/installer.nsi
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/installer.nsi tolvanire-uninstaller tolvanire-uninstaller-cli
            tolvanire_runtime_files
    COMMENT "Building the installer"
    VERBATIM)
add_custom_target(tolvanire_installer ALL DEPENDS ${setup})
