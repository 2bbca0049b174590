# Manual pages, the Debian documentation files and the Debian package (CPack).
# Included from the top-level CMakeLists.txt after the install rules of the programs.

# Manual pages in French, made from the programs' own --help at build time (help2man).
find_program(ORVANTIS_HELP2MAN help2man)
find_program(ORVANTIS_GZIP gzip)
set(ORVANTIS_MAN_PAGES)
if(ORVANTIS_HELP2MAN AND ORVANTIS_GZIP)
  foreach(program orvantis orvantis-tileserver)
    string(TOUPPER ${program} title)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${ORVANTIS_HELP2MAN} -DGZIP=${ORVANTIS_GZIP}
              -DPROGRAM=$<TARGET_FILE:${program}> -DINCLUDE=${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m
              -DOUTPUT=${page} -DTITLE=${title} -DVERSION=${PROJECT_VERSION}
              -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
      VERBATIM)
    list(APPEND ORVANTIS_MAN_PAGES ${page})
  endforeach()
  add_custom_target(orvantis_man_pages ALL DEPENDS ${ORVANTIS_MAN_PAGES})
  install(FILES ${ORVANTIS_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip missing: no manual pages (scripts/install-deps installs them)")
endif()

# The package's copyright and changelog, where Debian looks for them.
set(ORVANTIS_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvantis)
install(FILES resources/debian/copyright DESTINATION ${ORVANTIS_DOC_DIR})
if(ORVANTIS_GZIP)
  string(TIMESTAMP ORVANTIS_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(resources/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz
    COMMAND ${ORVANTIS_GZIP} -9nkf ${CMAKE_BINARY_DIR}/debian/changelog.Debian
    DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian VERBATIM)
  add_custom_target(orvantis_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz)
  # A native package (no Debian revision): changelog.gz.
  install(FILES ${CMAKE_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION ${ORVANTIS_DOC_DIR}
          RENAME changelog.gz)
endif()

# Packaging and installing take the build as it is (scripts/package builds first): checking
# every target again before each package would take a minute for nothing.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

# cpack -G DEB (scripts/package): build/orvantis_<version>_<arch>.deb, one package with
# everything installed above, its dependencies computed from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orvantis")
set(CPACK_PACKAGE_CONTACT "Orvantis <contact@orvantis.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "install, view and print old maps of France")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvantis <contact@orvantis.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS nginx-light)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The synopsis is the summary above; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvantis installs, shows and prints the old scanned maps of France that the
national library publishes as grids of JPEG tiles: the 182 sheets of the
Cassini map in its colour and black-and-white editions, and more than 1900
other maps of the library's archives, as well as maps of IIIF servers.
.
The package also holds orvantis-tileserver, which serves the installed maps to
other machines, or writes an nginx configuration that serves them to many.")
include(CPack)
