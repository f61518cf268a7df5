# The layers of the program, each a static library:
#
#   app, cli  ->  subsystem widget parts  ->  widgets  ->  subsystem cores  ->  core
#
# drelin_library(<target> <prefix> SOURCES <files...> [LINK <targets...>])
#
# Others include the library's headers as "<prefix>/name.h", and only the targets that link it
# can: its include root holds nothing but a link named <prefix> to its own folder. A file that
# includes a header of a layer above it (or of a part it does not link) does not compile.
function(drelin_library target prefix)
    cmake_parse_arguments(arg "" "" "SOURCES;LINK" ${ARGN})
    add_library(${target} STATIC ${arg_SOURCES})
    target_link_libraries(${target} PUBLIC ${arg_LINK})
    drelin_strict_strings(${target})

    set(root ${PROJECT_BINARY_DIR}/include/${target})
    set(link ${root}/${prefix})
    get_filename_component(parent ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${link})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${link} RESULT failed SYMBOLIC)
        if(failed)
            # A host that makes no links (Windows without the right to): it builds, unchecked.
            message(WARNING "${target}: no include link (${failed}); the layers are not checked on this host")
            string(REGEX REPLACE "/${prefix}$" "" root ${CMAKE_CURRENT_SOURCE_DIR})
        endif()
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# drelin_strict_strings(<target>): text is never converted to or from 8-bit strings unseen; every
# such conversion in the program's sources says which encoding it means.
function(drelin_strict_strings target)
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
endfunction()
