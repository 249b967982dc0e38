# Installs the programs with everything a desktop and a shell expect of them,
# and makes the Debian package from the same install: cpack -G DEB in the
# build folder, or cmake --build build --target package.

include(GNUInstallDirs)

# The programs in /usr/bin; a further helper program is one more name here.
set(TARNIK_INSTALLED_PROGRAMS tarnik-cli tarnik-make-update)
if(TARNIK_BUILD_UI)
  list(APPEND TARNIK_INSTALLED_PROGRAMS tarnik)
endif()
install(TARGETS ${TARNIK_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the changelog go in compressed, as Debian keeps them; -n
# leaves the time out, so that the same sources give the same package.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(TARNIK_MANUAL_PAGES tarnik.1 tarnik-cli.1 tarnik-make-update.1)
set(TARNIK_COMPRESSED)
foreach(name ${TARNIK_MANUAL_PAGES} changelog)
  set(compressed ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/data/${name} > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${name}
    VERBATIM)
  list(APPEND TARNIK_COMPRESSED ${compressed})
endforeach()
add_custom_target(tarnik_compressed_docs ALL DEPENDS ${TARNIK_COMPRESSED})
list(TRANSFORM TARNIK_MANUAL_PAGES PREPEND ${CMAKE_BINARY_DIR}/compressed/)
list(TRANSFORM TARNIK_MANUAL_PAGES APPEND .gz)
install(FILES ${TARNIK_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

install(FILES data/Brevan.Txt DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnik)
install(FILES data/tarnik-record.schema.json DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnik)
install(FILES data/Maker-Parts.Txt DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnik)
# Under the prefix: /usr/lib/udev/rules.d, where udev reads it, in the
# package; an install under /usr/local needs a copy in /etc/udev/rules.d.
install(FILES data/60-tarnik-programmer.rules DESTINATION lib/udev/rules.d)
install(FILES data/tarnik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/tarnik.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/org.tarnik.Tarnik.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/tarnik-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME tarnik-cli)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Tarnik developers <tarnik@example.org>")
# Free software under the GNU GPL, version 3 or later; the package carries
# the machine-readable data/copyright, which points at Debian's copy of the text.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/COPYING)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The udev rule gives the programmer to the plugdev group and the seat's user.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS udev)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "controller for the Zorvik USB PROM programmer")
# CPack puts the summary first and indents the text as a control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tarnik reads, blank-checks, verifies, program-compares and programs
82S- and 74S-series bipolar fuse PROMs (32 x 8 to 1k x 8) with the Zorvik
USB device programmer and its PROM adapter. It edits a 1024-byte buffer and
loads and saves it as binary, Intel HEX, Motorola S-record and ASCII hex.

The package holds the window (tarnik), the command line (tarnik-cli) with
its bash completion, a simulated programmer for work without the hardware,
and a udev rule that lets the logged-in user and the plugdev group reach
the programmer without root.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/data/debian/postinst ${CMAKE_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
