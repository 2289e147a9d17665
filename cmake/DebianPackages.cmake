# The Debian packages: `cpack -G DEB` in the build folder makes one package per
# install component (see Install.cmake), a -dbgsym package with the debug
# information of each package's binaries, which it strips, and
# packaging/finish-debs.cmake adds the fields CPack does not write. Build them from
# an optimised build (RelWithDebInfo, the scripts' default) for the hardening
# flags and the debug information.
set(WO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

# Each package's copyright file and changelog, where Debian looks for them.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                   COMMAND gzip -9nc ${WO_PACKAGING_DIR}/changelog > ${CMAKE_BINARY_DIR}/packaging/changelog.gz
                   DEPENDS ${WO_PACKAGING_DIR}/changelog
                   VERBATIM)
add_custom_target(wo_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
foreach(component runtime development tools)
    string(TOUPPER ${component} upper)
    install(FILES ${WO_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${WO_PACKAGE_${upper}} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME wendra-original)
set(CPACK_PACKAGE_VENDOR "Wendra")
set(CPACK_PACKAGE_CONTACT "Wendra developers <dev@wendra.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE wendra-original)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The build tree's libraries, where dpkg-shlibdeps finds the core the programs of
# the tools package link; their dependency on it is written out below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${WO_PUBLIC_LIBDIR} ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${WO_PACKAGING_DIR}/finish-debs.cmake)
set(exact "(= ${PROJECT_VERSION})")
# The libraries and development files are installed for several architectures
# side by side; one architecture's programs serve any.
set(CPACK_WO_MULTIARCH_${WO_PACKAGE_RUNTIME} same)
set(CPACK_WO_MULTIARCH_${WO_PACKAGE_DEVELOPMENT} same)
set(CPACK_WO_MULTIARCH_${WO_PACKAGE_TOOLS} foreign)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${WO_PACKAGE_RUNTIME})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Needs at run time that no library links: the SQL drivers, image plug-ins and the
# metafile reader, the CJK font.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-mysql, qt6-image-formats-plugins, fonts-wqy-zenhei, libmagickcore-6.q16-6-extra")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "libqt6sql6-odbc, odbc-postgresql, odbc-mariadb, sane-utils")
# The symbols file gives packages built against the core their dependency; the
# trigger has dpkg run ldconfig once for all packages, without maintainer scripts.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${WO_PACKAGING_DIR}/shlibs ${WO_PACKAGING_DIR}/symbols ${WO_PACKAGING_DIR}/triggers)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${WO_PACKAGE_DEVELOPMENT})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${WO_PACKAGE_RUNTIME} ${exact}")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SUGGESTS "qt6-base-dev")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ${WO_PACKAGE_TOOLS})
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${WO_PACKAGE_RUNTIME} ${exact}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "libqt6sql6-sqlite")

foreach(component runtime development tools)
    string(TOUPPER ${component} upper)
    file(READ ${WO_PACKAGING_DIR}/${component}.description CPACK_DEBIAN_${upper}_DESCRIPTION)
endforeach()
include(CPack)
