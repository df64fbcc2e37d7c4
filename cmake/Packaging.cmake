# The Debian package (cpack -G DEB in the build folder): the install rules'
# files under /usr, its Depends read from the binaries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME wendlock)
set(CPACK_PACKAGE_VENDOR Marrowind)
set(CPACK_PACKAGE_CONTACT "Marrowind <support@marrowind.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password-protect static web pages")
set(CPACK_PACKAGE_DESCRIPTION
    "Wendlock rewrites the pages of a static web site so that each one opens in a\n"
    "browser only after the right password: its text is enciphered under a key\n"
    "derived from the password and a login page stands in front of it. The pages\n"
    "need nothing beside them and open from a web server or straight from disk.\n"
    "\n"
    "The package holds the desktop wizard (wendlock) and the command-line tool\n"
    "(wendlock-cli).")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.marrowind.example/wendlock/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install rules refresh the desktop's caches only when no DESTDIR is
# set; staging through DESTDIR keeps those caches out of the package (and
# then the prefix is CPACK_INSTALL_PREFIX).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's icons are SVG, read through Qt's SVG icon engine plugin,
# which no binary links and dpkg-shlibdeps therefore does not see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# Open, Edit and Open with find the programs a file type declares in the
# index update-desktop-database writes; desktops ship it, a bare system may not.
# Qt's own translations give the standard buttons the window's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# wendlock_<version>_<arch>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
