# The Debian package, made by CPack's DEB generator from what the build installs:
#   cpack --config <build folder>/CPackConfig.cmake -B build/package
# (scripts/package.sh does this). Its dependencies are computed by dpkg-shlibdeps (dpkg-dev)
# from the libraries the programs link, which CPack finds with "file"; the programs are stripped.

# The documentation every Debian package carries: the copyright notice and the changelog.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/mervalon)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    COMMAND ${MERVALON_GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
    COMMENT "Compressing the package's changelog" VERBATIM)
add_custom_target(mervalon_package_docs ALL DEPENDS ${changelog})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${changelog} DESTINATION ${doc_dir})
# What lintian reports that is intended, each with its reason.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME mervalon)

# CPack strips the programs; the sections strip leaves that nothing reads go as well, as
# Debian's own packaging does.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program mervalon mervalon-convert)
            set(path \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
            if(EXISTS \"\${path}\")
                execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                        \"\${path}\" COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endforeach()
    endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mervalon)
set(CPACK_PACKAGE_VERSION ${MERVALON_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR Halvent)
set(CPACK_PACKAGE_CONTACT "Halvent <mervalon@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert surveyors' point files into DXF drawings")
# Lines of at most 80 characters, as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION
    "Mervalon turns surveyors' point files (delimited text files, or one sheet of
an XLS workbook) into DXF drawings: a point for every surveyed point, with its
number, coordinates, elevation and description written beside it, and 3D
polylines driven by codes, on the layers and in the colours the configuration
gives. Files are converted in batches, with a report of every faulty line.

The package holds the desktop program mervalon and the command-line converter
mervalon-convert.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MERVALON_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's platform plugins (the window
# system) and xdg-open, which opens the manual and files in the desktop's programs.
# DejaVu Sans Mono shows point files with a zero that is not the letter O.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, xdg-utils, fonts-dejavu-core")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
