# The Debian package: `cpack -G DEB` in a build folder packs what
# `cmake --install` installs, under /usr, as pictor_<version>_<arch>.deb.
include(GNUInstallDirs)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pictor RENAME copyright)

set(CPACK_PACKAGE_NAME pictor)
set(CPACK_PACKAGE_VENDOR "The Pictor developers")
set(CPACK_PACKAGE_CONTACT "The Pictor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "adjust and colour-reduce one picture at a time")
set(CPACK_PACKAGE_DESCRIPTION "Pictor opens a bitmap, JPEG, icon or metafile, adjusts brightness,
contrast and gamma with live sliders, rotates, mirrors or trims it,
reduces it to 256 colours (octree, median cut, error diffusion or a fixed
palette) with a live histogram, and saves it as BMP, JPEG, EMF, WMF or
ICO. Its user interface is Japanese. pictor-cli does the same from scripts.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The libraries come from dpkg-shlibdeps; the fonts are what fontconfig
# finds for the interface and for the faces metafiles name (as
# scripts/install-deps.sh installs them); Qt's own dialogs speak Japanese with
# the translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-ipafont-gothic, fonts-dejavu-core, fonts-liberation2, fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-symbola")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
