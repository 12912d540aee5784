# `make package`: build/gamevrak_<version>_amd64.deb with CPack. The game goes
# to /usr/games, its data to /usr/share/games/gamevrak (where the game looks
# when it runs from /usr/games), and its saves to the player's data folder.
set(share_dir share/games/gamevrak)
install(TARGETS gamevrak RUNTIME DESTINATION games)
foreach(folder bmp_cross bmp_unit bmp_land bmp_dungeon bmp_structure bmp_item sound)
  install(DIRECTORY ${GAME_DIR}/${folder} DESTINATION ${share_dir})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/gamevrak.desktop DESTINATION share/applications)

# The icon from our own art; the changelog and manual page compressed as Debian wants them.
set(package_dir ${CMAKE_BINARY_DIR}/package-files)
add_custom_command(OUTPUT ${package_dir}/gamevrak.png ${package_dir}/changelog.gz ${package_dir}/gamevrak.6.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}
  COMMAND artsheet --icon ${GAME_DIR} ${package_dir}/gamevrak.png
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${package_dir}/changelog.gz
  COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/gamevrak.6 > ${package_dir}/gamevrak.6.gz
  DEPENDS artsheet art ${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_SOURCE_DIR}/packaging/gamevrak.6
  COMMENT "Making the package's icon, changelog and manual page")
add_custom_target(package-files ALL DEPENDS ${package_dir}/gamevrak.png ${package_dir}/changelog.gz
                                            ${package_dir}/gamevrak.6.gz)
install(FILES ${package_dir}/gamevrak.6.gz DESTINATION share/man/man6)
install(FILES ${package_dir}/gamevrak.png DESTINATION share/icons/hicolor/48x48/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${package_dir}/changelog.gz DESTINATION share/doc/gamevrak)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gamevrak)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "GAMEVRAK developers <gamevrak@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "top-down dungeon game for a party of adventurers")
set(CPACK_PACKAGE_DESCRIPTION "GAMEVRAK is a top-down dungeon game: lead a party through three layers of\n\
a generated dungeon, open locked doors, gather gold and treasure and fight the\n\
monsters that roam there. Played with the mouse and the keyboard or with a game\n\
controller.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                                WORLD_READ WORLD_EXECUTE)
include(CPack)
