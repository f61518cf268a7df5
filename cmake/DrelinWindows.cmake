# Windows: what the programs need beside them (Qt's DLLs and plugins, the MinGW runtime), their
# icon and version resource, the zip an operator unpacks and the installer beside it, and, when
# cross-built, Wine to run the programs here (the sample frames, the tests).

# The resource compiler (MinGW's windres) for each program's .rc.
enable_language(RC)

# The MinGW runtime, as the compiler knows it.
set(DRELIN_MINGW_RUNTIME "")
if(MINGW)
    foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        get_filename_component(path "${path}" REALPATH)
        if(NOT EXISTS "${path}")
            message(FATAL_ERROR "The compiler does not know where ${name} is")
        endif()
        list(APPEND DRELIN_MINGW_RUNTIME "${path}")
    endforeach()
endif()

# Qt for Windows: the DLLs the programs load and the plugins Qt loads for them.
get_filename_component(DRELIN_QT_PREFIX "${Qt6_DIR}/../../.." ABSOLUTE)
set(DRELIN_QT_DLLS Core Gui Widgets SerialPort Network Svg Sql)
list(TRANSFORM DRELIN_QT_DLLS REPLACE "(.+)" "${DRELIN_QT_PREFIX}/bin/Qt6\\1.dll")
# platforms: the desktop's own, and the ones without a display (tests, the package check); the load
# history's SQLite driver.
set(DRELIN_QT_PLUGINS platforms/qwindows platforms/qminimal platforms/qoffscreen styles/qwindowsvistastyle
                      iconengines/qsvgicon sqldrivers/qsqlite)
file(GLOB image_plugins RELATIVE "${DRELIN_QT_PREFIX}/plugins" "${DRELIN_QT_PREFIX}/plugins/imageformats/*.dll")
list(TRANSFORM image_plugins REPLACE "\\.dll$" "")
list(APPEND DRELIN_QT_PLUGINS ${image_plugins})

# Cross-built: Wine runs what the build runs, in a Wine prefix of the build's own, made on first use.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(DRELIN_WINE wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
    if(DRELIN_WINE)
        set(DRELIN_WINEPREFIX "${PROJECT_BINARY_DIR}/wine")
        set(winepath "${DRELIN_QT_PREFIX}/bin")
        foreach(dll ${DRELIN_MINGW_RUNTIME})
            get_filename_component(folder "${dll}" DIRECTORY)
            list(APPEND winepath "${folder}")
        endforeach()
        list(REMOVE_DUPLICATES winepath)
        list(TRANSFORM winepath PREPEND "Z:")
        list(JOIN winepath ";" DRELIN_WINEPATH)
        configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run
                       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                        WORLD_EXECUTE @ONLY)
        set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run)
    else()
        message(WARNING "No wine64: the programs build, but the sample frames and the tests cannot run here")
    endif()
endif()

# A path as the Windows programs see it: under Wine the host's / is drive Z:.
function(drelin_windows_path out path)
    if(CMAKE_CROSSCOMPILING)
        set(${out} "Z:${path}" PARENT_SCOPE)
    else()
        set(${out} "${path}" PARENT_SCOPE)
    endif()
endfunction()

# The zip: the programs at the top with what they load, the licence and a short README.
function(drelin_install_windows_runtime)
    install(FILES ${DRELIN_QT_DLLS} ${DRELIN_MINGW_RUNTIME} DESTINATION .)
    foreach(plugin ${DRELIN_QT_PLUGINS})
        get_filename_component(folder "${plugin}" DIRECTORY)
        install(FILES "${DRELIN_QT_PREFIX}/plugins/${plugin}.dll" DESTINATION ${folder})
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
    # Qt's and libimagequant's licences, which the programs carry with them.
    install(DIRECTORY ${DRELIN_QT_PREFIX}/licenses/ DESTINATION licenses)
    install(FILES ${PROJECT_SOURCE_DIR}/data/windows/README.txt DESTINATION .)
endfunction()

# The program's icon and version (data/windows/program.rc.in) in TARGET, as Explorer shows them.
function(drelin_windows_resources target description)
    set(DRELIN_RC_NAME ${target})
    set(DRELIN_RC_DESCRIPTION "${description}")
    set(DRELIN_RC_ICON "${PROJECT_SOURCE_DIR}/data/windows/drelin.ico")
    set(rc "${PROJECT_BINARY_DIR}/resources/${target}.rc")
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/program.rc.in "${rc}" @ONLY)
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${DRELIN_RC_ICON}")
    target_sources(${target} PRIVATE "${rc}")
endfunction()

# The installer beside the zip (CPack's NSIS generator, makensis): the same files in a folder of the
# operator's choice, a Start-menu entry, ".frames" files opening in the window (installer.nsh), an
# uninstaller. A macro: CPack reads these from the calling scope.
macro(drelin_windows_installer)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY "Drelin Image uploader")
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Drelin Image uploader")
    set(CPACK_NSIS_PACKAGE_NAME "Drelin Image uploader")
    set(CPACK_NSIS_DISPLAY_NAME "Drelin Image uploader ${PROJECT_VERSION}")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/data/windows/drelin.ico")
    set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/data/windows/drelin.ico")
    set(CPACK_NSIS_INSTALLED_ICON_NAME drelin.exe)
    set(CPACK_NSIS_URL_INFO_ABOUT "https://www.velm.test")
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
    # zlib: a quarter larger than LZMA's (19 MB against 15) in a fifth of the time.
    set(CPACK_NSIS_COMPRESSOR zlib)
    # A new install first uninstalls what an earlier one put into its folder.
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_DEFINES "!include '${PROJECT_SOURCE_DIR}/data/windows/installer.nsh'")
    set(CPACK_NSIS_CREATE_ICONS_EXTRA "!insertmacro DrelinShortcut")
    set(CPACK_NSIS_DELETE_ICONS_EXTRA "!insertmacro DrelinShortcutRemove")
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro DrelinAssociate")
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro DrelinDissociate")
endmacro()
