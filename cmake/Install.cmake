# What `cmake --install` lays out, and the packages made from it:
#   lib/<multiarch>/libwendra_core.so.0, libwendra_comhost.so.0   (+ dev links)
#   lib/<multiarch>/wendra-original/   the module, the scanning program, FileType.INI, 图库/
#   include/wendra/                    the public headers
#   lib/<multiarch>/cmake/WendraOriginal/, lib/<multiarch>/pkgconfig/wendra-original.pc
#   share/wendra-original/             the document table's statements, errors.tsv, the sample documents
#   bin/demohost, bin/wendra-audit
include(CMakePackageConfigHelpers)

set(WO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/WendraOriginal)
set(WO_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/${WO_COMPONENT_SUBDIR})

install(TARGETS wendra_core_public wendra_comhost LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
        NAMELINK_COMPONENT development)
install(TARGETS Wendra_Original_public LIBRARY DESTINATION ${WO_INSTALL_COMPONENTDIR} COMPONENT runtime)
install(TARGETS wendra-scan RUNTIME DESTINATION ${WO_INSTALL_COMPONENTDIR} COMPONENT runtime)
install(FILES ${CMAKE_SOURCE_DIR}/resources/component/FileType.INI DESTINATION ${WO_INSTALL_COMPONENTDIR}
        COMPONENT runtime)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/component/图库 DESTINATION ${WO_INSTALL_COMPONENTDIR}
        COMPONENT runtime FILES_MATCHING PATTERN "*.png")
install(TARGETS demohost wendra-audit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/apps/demohost/samples/ DESTINATION ${WO_INSTALL_DATADIR}/samples
        COMPONENT runtime)
install(FILES ${CMAKE_SOURCE_DIR}/resources/sql/original_text.sqlite.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/original_text.postgresql.sql
              ${CMAKE_SOURCE_DIR}/resources/sql/original_text.mariadb.sql
        DESTINATION ${WO_INSTALL_DATADIR} COMPONENT runtime)
# The error numbers with their descriptions, for hosts (as wendra/errors.h names them).
install(FILES ${CMAKE_SOURCE_DIR}/resources/errors/errors.tsv DESTINATION ${WO_INSTALL_DATADIR}
        COMPONENT runtime)

install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/wendra DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
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

# pkg-config, for hosts that do not use CMake. Relative to ${prefix} so that the
# unpacked package works wherever it lies.
file(RELATIVE_PATH WO_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wendra-original.pc.in ${CMAKE_BINARY_DIR}/wendra-original.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/wendra-original.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# The Debian package: `cpack -G DEB` in the build folder. One package holding
# runtime and development files; its Depends come from the libraries' real needs
# (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME wendra-original)
set(CPACK_PACKAGE_VENDOR "Wendra")
set(CPACK_PACKAGE_CONTACT "Wendra developers <dev@wendra.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "In-process document component: document lists, page viewer, scanning")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Runtime needs that no library links: the SQL drivers, image plug-ins and the metafile
# reader, the CJK font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-mysql, qt6-image-formats-plugins, fonts-wqy-zenhei, libmagickcore-6.q16-6-extra")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-odbc, odbc-postgresql, odbc-mariadb, sane-utils")
set(CPACK_GENERATOR DEB)
include(CPack)
