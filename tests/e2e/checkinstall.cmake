# Installs the build into a fresh temporary prefix and checks what lands there.
# cmake -DBUILD_DIR=... -DPREFIX=... -P checkinstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()
foreach(expected bin/drelin bin/drelin-upload share/applications/drelin.desktop
                 share/icons/hicolor/scalable/apps/drelin.svg)
    if(NOT EXISTS "${PREFIX}/${expected}")
        message(FATAL_ERROR "not installed: ${expected}")
    endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/drelin-upload" --help RESULT_VARIABLE runs OUTPUT_QUIET)
if(NOT runs EQUAL 0)
    message(FATAL_ERROR "the installed drelin-upload does not run")
endif()
execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/drelin.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR said MATCHES "error")
    message(FATAL_ERROR "desktop-file-validate refuses the desktop file: ${said}")
endif()
message(STATUS "installed and valid: ${PREFIX}")
