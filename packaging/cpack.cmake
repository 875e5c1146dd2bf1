# The Debian package: truco-zanforte_<version>_amd64.deb, its dependencies computed from the
# shared libraries the program links (dpkg-shlibdeps).
# Packaging needs only the program and the compressed pages built, not the tests and benchmarks
# that "all" holds (tools/package-check.sh and tools/package.sh build those two first).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME truco-zanforte)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Truco Zanforte")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Opened at run time (by the first internet game, for the splash's picture, and while the history
# is open), so dpkg-shlibdeps does not see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmosquitto1, libjpeg62-turbo, libsqlite3-0")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TRUCO_PROJECT_URL})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "Truco Zanforte maintainers <maintainers@users.noreply.c-seed-7db6e557.example>")
# Not libraries, so not found by dpkg-shlibdeps: the toolkit's Portuguese texts and the font the
# windows are laid out with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dejavu-core")
# CPack indents the lines after the synopsis and turns an empty line into Debian's " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Brazilian Truco card game against the computer
Truco Zanforte plays Truco, the Brazilian trick-taking card game for two,
against the computer: three cards each, the turned card (vira) fixing the
four trumps (manilhas) or, by a setting, four fixed manilhas, the stake
ladder truco, seis, nove and doze, and the hand of eleven. The computer
chooses its cards, calls and answers bets, and banters in Portuguese.

Every text of the game is Brazilian Portuguese. Settings and the table of
the six best records are kept in the player's data folder.")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Directories as Debian packages have them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
