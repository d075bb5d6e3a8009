# The Debian package (scripts/package.sh): what goes where under /usr, and CPack's DEB
# generator to pack it. Only with -DQUELMIRE_PACKAGE=ON, on Linux.
#
#   /usr/games/quelmire                     the game
#   /usr/share/games/quelmire/assets/       its sounds (the game finds them from its own
#                                           folder: audio/asset_search.h)
#   /usr/lib/games/quelmire/                quelmire-sim and quelmire-soundinfo: tools for
#                                           replaying and diagnosing a player's report, kept
#                                           off the players' PATH and menus
#   menu entry, icon, AppStream metainfo, quelmire(6), copyright and changelog
#
# Timestamps (the changelog, the metainfo's release, the archive's files) come from
# SOURCE_DATE_EPOCH, which scripts/package.sh sets to the commit's time.
if(NOT QUELMIRE_PACKAGE)
  return()
endif()
if(WIN32 OR CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "QUELMIRE_PACKAGE makes the Debian package: build it on Linux")
endif()

set(QUELMIRE_VERSION 0.1.0)
# Who players and the package's users write to: one line, shared with the Windows zip.
file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/contact" QUELMIRE_CONTACT LIMIT_COUNT 1)
string(TIMESTAMP QUELMIRE_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP QUELMIRE_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(_in "${PROJECT_SOURCE_DIR}/packaging/linux")
set(_out "${CMAKE_BINARY_DIR}/packaging")
configure_file("${_in}/org.quelmire.Quelmire.metainfo.xml.in"
  "${_out}/org.quelmire.Quelmire.metainfo.xml" @ONLY)
configure_file("${_in}/copyright.in" "${_out}/copyright" @ONLY)
configure_file("${_in}/quelmire.6.in" "${_out}/quelmire.6" @ONLY)
configure_file("${_in}/changelog.in" "${_out}/changelog" @ONLY)

# Manual page and changelog are compressed as Debian wants them: gzip -9, no name or time.
set(_gzipped)
foreach(file quelmire.6 changelog)
  add_custom_command(
    OUTPUT "${_out}/${file}.gz"
    COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" gzip "${_out}/${file}" "${_out}/${file}.gz"
    DEPENDS "${_out}/${file}"
    VERBATIM)
  list(APPEND _gzipped "${_out}/${file}.gz")
endforeach()
add_custom_target(quelmire_package_files ALL DEPENDS ${_gzipped})

install(TARGETS quelmire RUNTIME DESTINATION games)
install(TARGETS quelmire-sim quelmire-soundinfo RUNTIME DESTINATION lib/games/quelmire)
install(DIRECTORY "${CMAKE_BINARY_DIR}/run/assets/" DESTINATION share/games/quelmire/assets)
install(FILES "${_in}/org.quelmire.Quelmire.desktop" DESTINATION share/applications)
install(FILES "${_out}/org.quelmire.Quelmire.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${_in}/quelmire.svg" DESTINATION share/icons/hicolor/scalable/apps)
install(FILES "${_out}/quelmire.6.gz" DESTINATION share/man/man6)
install(FILES "${_out}/copyright" "${_out}/changelog.gz" DESTINATION share/doc/quelmire)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelmire)
set(CPACK_PACKAGE_VERSION ${QUELMIRE_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUELMIRE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio-only game: find eight pages in the dark by sound")
# Lines of at most 72 characters: Debian shows them indented by one space.
set(CPACK_PACKAGE_DESCRIPTION
  "Vorlent: The Quelmire draws no picture: one black window, and the
whole world is rendered as sound. Walk an invisible field, hear the
ground under your feet, the knock of obstacles and a compass chime, and
follow the hint sounds of eight pages while a stalker hunts you, heard
as rising static. Built for players who may not see the screen;
headphones recommended.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quelmire_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUELMIRE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The boxes are spoken through the speech server; SDL draws its X11 boxes with the core
# fonts. The game plays without either.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "speech-dispatcher, xfonts-base")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/cpack")
include(CPack)
