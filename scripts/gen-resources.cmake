# Puts what the program reads at run time beside the executables in
# ${CMAKE_BINARY_DIR}/bin: the pictures under Resources/ (rendered from the
# SVG sources in art/ by gen-resources.py), the style sheets under QSS/ and
# the shipped "uiconfig". The program takes Resources/ and QSS/ relative to
# its working directory and "uiconfig" from its own folder; the run script
# starts it in bin/.
set(TOLVANIRE_RUNTIME_DIR ${CMAKE_BINARY_DIR}/bin)

# The pictures are part of the program: a build without the tools that
# render them stops here rather than make a program without pictures.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(TOLVANIRE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(TOLVANIRE_IM_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT TOLVANIRE_IM_CONVERT)
    find_program(TOLVANIRE_IM_CONVERT convert REQUIRED)
endif()

set(runtime_outputs)
file(GLOB_RECURSE art_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/art/*.svg)
set(resources_stamp ${TOLVANIRE_RUNTIME_DIR}/Resources/.generated)
add_custom_command(
    OUTPUT ${resources_stamp}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/scripts/gen-resources.py --out ${TOLVANIRE_RUNTIME_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${resources_stamp}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/gen-resources.py ${art_sources}
    COMMENT "Rendering the program's pictures into bin/Resources"
    VERBATIM)
list(APPEND runtime_outputs ${resources_stamp})

file(GLOB qss_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/QSS/*.qss)
set(qss_outputs)
foreach(source IN LISTS qss_sources)
    get_filename_component(name ${source} NAME)
    add_custom_command(
        OUTPUT ${TOLVANIRE_RUNTIME_DIR}/QSS/${name}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${TOLVANIRE_RUNTIME_DIR}/QSS/${name}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND runtime_outputs ${TOLVANIRE_RUNTIME_DIR}/QSS/${name})
endforeach()

add_custom_command(
    OUTPUT ${TOLVANIRE_RUNTIME_DIR}/uiconfig
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/shell/uiconfig ${TOLVANIRE_RUNTIME_DIR}/uiconfig
    DEPENDS ${CMAKE_SOURCE_DIR}/shell/uiconfig
    VERBATIM)
list(APPEND runtime_outputs ${TOLVANIRE_RUNTIME_DIR}/uiconfig)

add_custom_target(tolvanire_runtime_files ALL DEPENDS ${runtime_outputs})
