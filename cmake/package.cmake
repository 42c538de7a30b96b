# The Debian package ossel-analyzer_<version>_<arch>.deb, made by `cpack -G DEB` from the install rules under /usr:
# both programs, the pictures module, the help, the desktop entry, icon and AppStream data, the manual pages, the
# bash completion, the English catalogue, and the licence and changelog under share/doc.
set(OSSEL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/ossel-analyzer)
install(FILES ${PROJECT_SOURCE_DIR}/res/debian/copyright DESTINATION ${OSSEL_DOCDIR})
configure_file(${PROJECT_SOURCE_DIR}/res/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/debian/changelog > ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${OSSEL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ossel-analyzer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora Software")
set(CPACK_PACKAGE_CONTACT "Velmora Software <packages@velmora.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tell genuine CD audio from music decoded from lossy MPEG")
set(CPACK_PACKAGE_DESCRIPTION
"Ossel Analyzer looks at an audio CD in a drive, a cue sheet image or a
folder of rips and tells whether its music is genuine CD audio or was
decoded from a lossy MPEG source, such as an MP3 burnt back to a disc.

It shows what the drive and the disc say about themselves (vendor,
capabilities, disc type, ATIP and ISRC codes), judges every audio track
with a fixed detection engine, gives a verdict for the whole disc with
its probability, and draws a spectrogram and a frequency profile of
every track.

The package holds the desktop program ossel-analyzer and the command
line ossel, for scripts and whole libraries, with JSON, JSON Lines and
CSV output.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://velmora.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's own texts are Chinese: without a font that has them they show as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
