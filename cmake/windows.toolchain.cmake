# Windows x86_64 against Qt for Windows (the windows preset).
#
# DRELIN_WINDOWS_QT is the Qt prefix. By default it is qt6-mingw in the build folder, unpacked from
# DRELIN_WINDOWS_QT_ARCHIVE (by default the one in ../shared/windows) when it is not there yet or
# was unpacked from another archive; the environment variables of the same names give other
# defaults. Off Windows the compilers are MinGW-w64's, named by Qt's own toolchain file, and moc,
# rcc and uic are the host's Qt 6.4 (QT_HOST_PATH). On Windows, point DRELIN_WINDOWS_QT at the
# MinGW Qt of MSYS2 or of Qt's installer; the compilers are the ones on PATH. scripts/windows.sh
# looks for Qt the same way before it configures.

set(default_archive "${CMAKE_CURRENT_LIST_DIR}/../../shared/windows/qt6-mingw-6.4.2.tar.xz")
if(NOT "$ENV{DRELIN_WINDOWS_QT_ARCHIVE}" STREQUAL "")
    set(default_archive "$ENV{DRELIN_WINDOWS_QT_ARCHIVE}")
endif()
set(default_qt "${CMAKE_BINARY_DIR}/qt6-mingw")
if(NOT "$ENV{DRELIN_WINDOWS_QT}" STREQUAL "")
    set(default_qt "$ENV{DRELIN_WINDOWS_QT}")
endif()
set(DRELIN_WINDOWS_QT_ARCHIVE "${default_archive}"
    CACHE FILEPATH "Archive of Qt for Windows, unpacked into the build folder when DRELIN_WINDOWS_QT is missing")
set(DRELIN_WINDOWS_QT "${default_qt}" CACHE PATH "Prefix of Qt for Windows")
# Compile checks run in folders of their own: they get the same Qt.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DRELIN_WINDOWS_QT DRELIN_WINDOWS_QT_ARCHIVE QT_HOST_PATH)

if(CMAKE_HOST_WIN32)
    list(PREPEND CMAKE_PREFIX_PATH "${DRELIN_WINDOWS_QT}")
    return()
endif()

set(qt_toolchain "${DRELIN_WINDOWS_QT}/lib/cmake/Qt6/qt.toolchain.cmake")
# A tree unpacked here carries the checksum of its archive; when the archive changes (Qt SQL added,
# say) the tree is unpacked again. A tree given from elsewhere, without that mark, is never touched.
set(qt_stamp "${DRELIN_WINDOWS_QT}/.unpacked-from-sha256")
set(qt_ours FALSE)
if(EXISTS "${qt_stamp}" OR "${DRELIN_WINDOWS_QT}" STREQUAL "${CMAKE_BINARY_DIR}/qt6-mingw")
    set(qt_ours TRUE)
endif()
set(qt_unpack FALSE)
if(NOT EXISTS "${qt_toolchain}")
    set(qt_unpack TRUE)
elseif(qt_ours AND EXISTS "${DRELIN_WINDOWS_QT_ARCHIVE}")
    file(SHA256 "${DRELIN_WINDOWS_QT_ARCHIVE}" archive_sha256)
    set(unpacked_sha256 "")
    if(EXISTS "${qt_stamp}")
        file(READ "${qt_stamp}" unpacked_sha256)
    endif()
    if(NOT unpacked_sha256 STREQUAL archive_sha256)
        message(STATUS "${DRELIN_WINDOWS_QT} is not what ${DRELIN_WINDOWS_QT_ARCHIVE} holds now: unpacking it again")
        file(REMOVE_RECURSE "${DRELIN_WINDOWS_QT}")
        set(qt_unpack TRUE)
    endif()
endif()
if(qt_unpack)
    if(NOT EXISTS "${DRELIN_WINDOWS_QT_ARCHIVE}")
        message(FATAL_ERROR "No Qt for Windows at ${DRELIN_WINDOWS_QT} and no archive at "
                            "${DRELIN_WINDOWS_QT_ARCHIVE}: set DRELIN_WINDOWS_QT or DRELIN_WINDOWS_QT_ARCHIVE "
                            "(in the environment or with -D)")
    endif()
    # The archive holds one folder, qt6-mingw.
    get_filename_component(parent "${DRELIN_WINDOWS_QT}" DIRECTORY)
    message(STATUS "Unpacking ${DRELIN_WINDOWS_QT_ARCHIVE} into ${parent}")
    file(ARCHIVE_EXTRACT INPUT "${DRELIN_WINDOWS_QT_ARCHIVE}" DESTINATION "${parent}")
    if(NOT EXISTS "${qt_toolchain}")
        message(FATAL_ERROR "${DRELIN_WINDOWS_QT_ARCHIVE} did not give ${qt_toolchain}")
    endif()
    file(SHA256 "${DRELIN_WINDOWS_QT_ARCHIVE}" archive_sha256)
    file(WRITE "${qt_stamp}" "${archive_sha256}")
endif()

# pkg-config finds the libraries built for Windows beside Qt (libimagequant), never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${DRELIN_WINDOWS_QT}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

set(QT_HOST_PATH "/usr" CACHE PATH "Prefix of the host's Qt 6.4, whose moc, rcc and uic the build runs")
include("${qt_toolchain}")
