# What `cmake --install` lays out, and the Debian packages made from it. Every
# install rule names one of three components, and each component is one package:
#   runtime      libwendra-core0: lib/<multiarch>/libwendra_core.so.0 and
#                libwendra_comhost.so.0; lib/<multiarch>/wendra-original/ (the
#                module, the scanning program, FileType.INI, 图库/); share/wendra-original/
#                (the table statements, errors.tsv and other data hosts read)
#   development  libwendra-core-dev: include/wendra/, the .so links,
#                lib/<multiarch>/cmake/WendraOriginal/, lib/<multiarch>/pkgconfig/, the
#                example hosts under share/doc/libwendra-core-dev/examples
#   tools        wendra-original-tools: bin/ (the programs of WO_PROGRAMS, each
#                with a man page), the demonstration host's samples
# Files that do not change with the SONAME (headers, programs) stay out of the
# runtime package, so that a libwendra-core1 can be installed beside it one day.
include(CMakePackageConfigHelpers)

set(WO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/WendraOriginal)
set(WO_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/${WO_COMPONENT_SUBDIR})
set(WO_PACKAGE_RUNTIME libwendra-core0)
set(WO_PACKAGE_DEVELOPMENT libwendra-core-dev)
set(WO_PACKAGE_TOOLS wendra-original-tools)
# Shared libraries are not programs: no execute bit, as Debian ships them.
set(WO_LIBRARY_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

install(TARGETS wendra_core_public wendra_comhost LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        PERMISSIONS ${WO_LIBRARY_PERMISSIONS} COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS Wendra_Original_public LIBRARY DESTINATION ${WO_INSTALL_COMPONENTDIR}
        PERMISSIONS ${WO_LIBRARY_PERMISSIONS} COMPONENT runtime)
install(TARGETS wendra-scan wendra-ocr RUNTIME DESTINATION ${WO_INSTALL_COMPONENTDIR} COMPONENT runtime)
install(FILES ${CMAKE_SOURCE_DIR}/resources/component/FileType.INI DESTINATION ${WO_INSTALL_COMPONENTDIR}
        COMPONENT runtime)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/component/图库 DESTINATION ${WO_INSTALL_COMPONENTDIR}
        COMPONENT runtime FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_SOURCE_DIR}/resources/sql/original_text.sqlite.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/original_text.postgresql.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/original_text.mariadb.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/page_text.sqlite.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/page_text.postgresql.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/page_text.mariadb.sql
        DESTINATION ${WO_INSTALL_DATADIR} COMPONENT runtime)
# The error numbers with their descriptions, for hosts (as wendra/errors.h names them).
install(FILES ${CMAKE_SOURCE_DIR}/resources/errors/errors.tsv DESTINATION ${WO_INSTALL_DATADIR}
        COMPONENT runtime)

# The programs on the PATH, each with a man page made from its --help and the
# summary below.
set(WO_PROGRAMS demohost wendra-audit wendra-index wendra-register)
set(WO_SUMMARY_demohost "demonstration host of the document component")
set(WO_SUMMARY_wendra-audit "check the document table against the stored files")
set(WO_SUMMARY_wendra-index "read the text of stored documents and search it")
set(WO_SUMMARY_wendra-register "register the document component's in-process server module")
install(TARGETS ${WO_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/apps/demohost/samples/ DESTINATION ${WO_INSTALL_DATADIR}/samples
        COMPONENT tools)
find_program(WO_HELP2MAN help2man)
if(WO_SANITIZE OR WO_TSAN)
    # Sanitized programs are for tests, never packaged; their output at exit would
    # end up in the pages.
elseif(WO_HELP2MAN)
    foreach(program IN LISTS WO_PROGRAMS)
        set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
        add_custom_command(OUTPUT ${page}.gz
                           COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${WO_HELP2MAN} --no-info
                                   --no-discard-stderr --version-string=${PROJECT_VERSION}
                                   --name=${WO_SUMMARY_${program}} --output=${page}
                                   $<TARGET_FILE:${program}>
                           COMMAND gzip -9nf ${page}
                           DEPENDS ${program}
                           COMMENT "Man page of ${program}"
                           VERBATIM)
        add_custom_target(${program}_man ALL DEPENDS ${page}.gz)
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
    endforeach()
else()
    message(WARNING "help2man not found: the programs get no man pages (scripts/install-deps.sh installs it)")
endif()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/wendra DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT development)
install(FILES ${CMAKE_BINARY_DIR}/include/wendra/export.h ${CMAKE_BINARY_DIR}/include/wendra/comhost_export.h
              DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/wendra
        COMPONENT development)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${WO_PACKAGE_DEVELOPMENT}/examples
        COMPONENT development)

# The CMake package: imported targets made by a config file written for the
# installed layout, so it stays relocatable with the prefix.
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/WendraOriginalConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/WendraOriginalConfig.cmake
                              INSTALL_DESTINATION ${WO_INSTALL_CMAKEDIR}
                              PATH_VARS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR WO_INSTALL_COMPONENTDIR
                                        WO_INSTALL_DATADIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/WendraOriginalConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/WendraOriginalConfig.cmake ${CMAKE_BINARY_DIR}/WendraOriginalConfigVersion.cmake
        DESTINATION ${WO_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config: wendra-original (the C interface and the scripted dialogs) and
# wendra-comhost (the C++ host library). The prefix is written as installed, and
# the other folders plainly under it; a tree unpacked elsewhere is used with
# --define-variable=prefix=….
set(WO_PC_PREFIX @WO_PC_PREFIX@)
foreach(pc wendra-original wendra-comhost)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/${pc}.pc.in ${CMAKE_BINARY_DIR}/pc/${pc}.pc.in @ONLY)
    install(CODE "set(WO_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
                  configure_file(\"${CMAKE_BINARY_DIR}/pc/${pc}.pc.in\" \"${CMAKE_BINARY_DIR}/pc/${pc}.pc\" @ONLY)"
            COMPONENT development)
    install(FILES ${CMAKE_BINARY_DIR}/pc/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
            COMPONENT development)
endforeach()

include(cmake/DebianPackages.cmake)
