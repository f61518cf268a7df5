# Installs the build into a fresh temporary prefix and checks what lands there.
# cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=<project version> -P checkinstall.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
    message(FATAL_ERROR "cmake --install failed")
endif()
set(pages share/man/man1/drelin-upload.1 share/man/man1/drelin-device.1 share/man/man1/drelin-convert.1)
foreach(expected bin/drelin bin/drelin-upload bin/drelin-device bin/drelin-convert
                 share/applications/test.velm.drelin.desktop share/metainfo/test.velm.drelin.metainfo.xml
                 share/mime/packages/test.velm.drelin.xml
                 share/icons/hicolor/scalable/apps/drelin.svg ${pages})
    if(NOT EXISTS "${PREFIX}/${expected}")
        message(FATAL_ERROR "not installed: ${expected}")
    endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/drelin-upload" --help RESULT_VARIABLE runs OUTPUT_QUIET)
if(NOT runs EQUAL 0)
    message(FATAL_ERROR "the installed drelin-upload does not run")
endif()
execute_process(COMMAND desktop-file-validate "${PREFIX}/share/applications/test.velm.drelin.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR said MATCHES "error")
    message(FATAL_ERROR "desktop-file-validate refuses the desktop file: ${said}")
endif()
# The AppStream metadata: valid, about the desktop entry installed beside it, and its newest release
# the project's version.
set(metainfo "${PREFIX}/share/metainfo/test.velm.drelin.metainfo.xml")
execute_process(COMMAND appstreamcli validate --no-net "${metainfo}"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0)
    message(FATAL_ERROR "appstreamcli refuses the metadata: ${said}")
endif()
file(READ "${metainfo}" text)
if(NOT text MATCHES "<launchable type=\"desktop-id\">test\\.velm\\.drelin\\.desktop</launchable>")
    message(FATAL_ERROR "the metadata does not launch test.velm.drelin.desktop")
endif()
string(REGEX MATCH "<release version=\"([^\"]*)\"" newest "${text}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    message(FATAL_ERROR "the metadata's newest release is ${CMAKE_MATCH_1}, the project is ${VERSION}")
endif()
# The manual pages: groff finds nothing to warn of, and each names its program's version.
foreach(page ${pages})
    execute_process(COMMAND groff -man -Tutf8 -ww -z "${PREFIX}/${page}"
                    RESULT_VARIABLE formatted OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(NOT formatted EQUAL 0 OR NOT said STREQUAL "")
        message(FATAL_ERROR "groff warns of ${page}: ${said}")
    endif()
    file(READ "${PREFIX}/${page}" text)
    if(NOT text MATCHES "\"drelin [0-9]+\\.[0-9]+")
        message(FATAL_ERROR "${page} names no version")
    endif()
endforeach()
message(STATUS "installed and valid: ${PREFIX}")
