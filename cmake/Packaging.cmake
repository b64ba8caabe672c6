# SPDX-License-Identifier: GPL-3.0-or-later
# Desktop integration and the Debian package.
#
# The programs and the counting library carry their own install rules beside their targets
# (src/app, tools, src/counter/countlib); this file adds what makes an installed Penwick a
# desktop application: the launcher entry, the icon theme files and the project file type,
# then describes the .deb that CPack builds from the same install tree.

set(PENWICK_RES ${PROJECT_SOURCE_DIR}/res)

install(FILES ${PENWICK_RES}/io.github.penwick.penwick.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PENWICK_RES}/penwick-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME penwick.xml)

# The PNGs are rendered from the SVG once and kept in the tree, so building needs no SVG tools.
install(FILES ${PENWICK_RES}/icons/penwick.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PENWICK_RES}/icons/penwick-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME penwick.png)
endforeach()

# Manual pages and the changelog go compressed, as Debian's policy asks (gzip -9n: no name
# or time stamp inside, so the bytes do not change from one build to the next).
find_program(PENWICK_GZIP gzip REQUIRED)
set(PENWICK_GZIPPED)
foreach(doc doc/man/penwick.1 doc/man/penwick-cli.1 packaging/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/gz/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz
    COMMAND ${PENWICK_GZIP} -9nc ${PROJECT_SOURCE_DIR}/${doc} > ${CMAKE_BINARY_DIR}/gz/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${doc} VERBATIM)
  list(APPEND PENWICK_GZIPPED ${CMAKE_BINARY_DIR}/gz/${name}.gz)
endforeach()
add_custom_target(penwick_gzipped_docs ALL DEPENDS ${PENWICK_GZIPPED})

# The manual pages and the shell completion of the command-line tool.
install(FILES ${CMAKE_BINARY_DIR}/gz/penwick.1.gz ${CMAKE_BINARY_DIR}/gz/penwick-cli.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/doc/completion/penwick-cli.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME penwick-cli)
# Software centres list what the AppStream metadata describes.
install(FILES ${PENWICK_RES}/io.github.penwick.penwick.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Debian's policy: the copyright (machine-readable) and the changelog in the package's
# documentation folder.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/gz/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/penwick)

# --- Debian package (cpack -G DEB in a build folder) ---
set(CPACK_PACKAGE_NAME penwick)
set(CPACK_PACKAGE_VENDOR "Penwick developers")
set(CPACK_PACKAGE_CONTACT "Penwick developers <penwick@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vertical-writing editor for long Japanese prose")
# Lines of the long description stay within 80 columns, as Debian's tools expect.
set(CPACK_PACKAGE_DESCRIPTION
  "Penwick keeps a novel or thesis as one XML project: an outline of chapters\nand paragraphs, each with its own text, edited in vertical writing\n(tategaki). It counts the text as manuscript paper (genko yoshi) and\nexports it to one text file. penwick-cli reads, exports and counts\nprojects from the command line.")
# A Debian package installs into /usr, whatever prefix the build was configured with: the
# programs find their template and their library relative to their own folder.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Penwick developers <penwick@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps; what the binaries do not link but use at run
# time is named here: Qt's own Japanese translations, which the application loads from the
# system's Qt translations folder, and the CJK fonts the vertical editor is made for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The analyser reads a dictionary at run time: without one the language rules are off.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, mecab-ipadic-utf8")
# dpkg-shlibdeps must find the private libpenwick_counter inside the package being built.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)

include(CPack)
