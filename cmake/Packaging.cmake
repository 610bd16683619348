# `cpack -G DEB` in a build folder makes a Debian package of what cmake/Install.cmake lays out.
set(ZELD_PACKAGE_MAINTAINER "Zeld maintainers <maintainers@zeld.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME zeld)
set(CPACK_PACKAGE_VENDOR "Zeld")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read and write the numbers of 125 kHz proximity tags")
set(CPACK_PACKAGE_INSTALL_DIRECTORY zeld)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZELD_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop utility for a USB reader/writer of 125 kHz proximity tags: reads a tag's\n\
number into one window, in the ten-digit and the eight-digit notation, or writes a\n\
number onto a T5577 or EM4305 tag, optionally locking it and numbering a batch of\n\
tags in sequence. Ships an emulated reader (and its tool mf1-field) in\n\
/usr/lib/zeld; put the reader vendor's libMF1.so in its place to use a real one.")
# The libraries the programs link, found by dpkg-shlibdeps; the window's captions are Chinese, and
# so are Qt's own dialogs with Qt's translations (without them they are in English, nothing more).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ZELD_QT_MAJOR EQUAL 5)
  set(zeld_qt_translations qttranslations5-l10n)
else()
  set(zeld_qt_translations qt${ZELD_QT_MAJOR}-translations-l10n)
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei | fonts-noto-cjk, ${zeld_qt_translations}")

include(CPack)
