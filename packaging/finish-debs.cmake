# Run by CPack after it has built the packages, to finish what its DEB generator
# leaves undone:
# - the Multi-Arch field, which it does not know (a -dbgsym package of a
#   Multi-Arch: same package is one too);
# - the maintainer scripts it writes to call ldconfig are dropped: a package with a
#   triggers file has dpkg run ldconfig once for all packages instead;
# - in -dbgsym packages, the debug files are not executable, their documentation
#   folder is a link to the package's own, as Debian's are, and md5sums names the
#   files by their installed paths rather than CPack's work folder.

function(drop_ldconfig_scripts tree package)
    if(NOT EXISTS ${tree}/DEBIAN/triggers)
        return()
    endif()
    foreach(script postinst postrm)
        if(EXISTS ${tree}/DEBIAN/${script})
            file(READ ${tree}/DEBIAN/${script} text)
            string(REGEX REPLACE "#![^\n]*|set -e|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then|ldconfig|fi|[ \t\n]" ""
                   rest "${text}")
            if(NOT rest STREQUAL "")
                message(FATAL_ERROR "finish-debs: ${package}'s ${script} does more than call ldconfig")
            endif()
            file(REMOVE ${tree}/DEBIAN/${script})
        endif()
    endforeach()
endfunction()

function(finish_debug_package tree package parent)
    file(GLOB_RECURSE debug_files ${tree}/usr/lib/debug/*.debug)
    foreach(f IN LISTS debug_files)
        file(CHMOD ${f} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endforeach()
    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${parent} ${tree}/usr/share/doc/${package} SYMBOLIC)
endfunction()

function(write_md5sums tree)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/*)
    list(FILTER files EXCLUDE REGEX "^DEBIAN/")
    list(SORT files)
    set(sums "")
    foreach(f IN LISTS files)
        if(NOT IS_SYMLINK ${tree}/${f})
            file(MD5 ${tree}/${f} sum)
            string(APPEND sums "${sum}  ${f}\n")
        endif()
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${sums}")
endfunction()

foreach(package_file IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(name ${package_file} NAME)
    string(REGEX REPLACE "_.*" "" package ${name})
    string(REGEX REPLACE "-dbgsym$" "" parent ${package})
    set(multiarch ${CPACK_WO_MULTIARCH_${parent}})
    if(NOT multiarch)
        message(FATAL_ERROR "finish-debs: no Multi-Arch value for ${parent}")
    endif()
    set(tree ${package_file}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb -R ${package_file} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    if(parent STREQUAL package OR multiarch STREQUAL "same")
        file(READ ${tree}/DEBIAN/control control)
        string(REGEX REPLACE "(^|\n)(Architecture: [^\n]*\n)" "\\1\\2Multi-Arch: ${multiarch}\n" control "${control}")
        file(WRITE ${tree}/DEBIAN/control "${control}")
    endif()
    drop_ldconfig_scripts(${tree} ${package})
    if(NOT parent STREQUAL package)
        finish_debug_package(${tree} ${package} ${parent})
    endif()
    write_md5sums(${tree})
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz -b ${tree} ${package_file} OUTPUT_QUIET
                    COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
