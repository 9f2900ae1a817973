# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh) makes
# mirvo_<version>_<arch>.deb from the same install rules as `cmake --install`.
set(CPACK_PACKAGE_NAME mirvo)
set(CPACK_PACKAGE_VENDOR "Mirvo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# The long description in lines of Debian's width; CPack indents each line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Mirvo shows a Japanese plain-text book the way a printed book is read:"
    "characters run down each column, columns follow each other from right to"
    "left, and two facing pages of a book bound on the right make a spread, with"
    "a front and a back cover. It reads Shift_JIS text with ruby, emphasis dots,"
    "footnotes, illustrations and page breaks, turns the pages with an animation"
    "and a sound, and keeps the page, the bookmarks and the layout of every book."
    "The same program renders pages to PNG without a display.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${MIRVO_HOMEPAGE}")
set(CPACK_PACKAGE_CONTACT "Mirvo developers")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries come from dpkg-shlibdeps, libzip's (books in ZIP archives) named
# here as well; the Japanese faces the pages are drawn with and Qt's Japanese texts for its
# standard dialogs are no library, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-translations-l10n, libzip4")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)
