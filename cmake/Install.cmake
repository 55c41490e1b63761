# Installing and packaging. An installed copy keeps its executables in bin/, the player's shipped
# files in share/vantor-radio/ and the directory's in share/vantor-directory/; each user's
# settings and favourites go to ~/.local/share/vantor-radio/ (app/programfolder.cpp).
include(GNUInstallDirs)

set(VANTOR_SHARE ${CMAKE_INSTALL_DATADIR}/vantor-radio)
set(VANTOR_DIRECTORY_SHARE ${CMAKE_INSTALL_DATADIR}/vantor-directory)
set(VANTOR_ICON_NAME vantor-internet-radio)

# The programs find their shipped files from their own folder, so a DESTDIR or relocated
# install works as well as /usr.
file(RELATIVE_PATH share_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
target_compile_definitions(vantor_app PRIVATE VANTOR_SHARE_FROM_BIN="${share_from_bin}/vantor-radio")
target_compile_definitions(vantor-radio PRIVATE
  VANTOR_DIRECTORY_SHARE_FROM_BIN="${share_from_bin}/vantor-directory")
target_compile_definitions(vantor-directory PRIVATE
  VANTOR_DIRECTORY_SHARE_FROM_BIN="${share_from_bin}/vantor-directory")

# The icon, drawn by the same code as the window's icon.
add_executable(make_icon ${CMAKE_SOURCE_DIR}/skins/tools/make_icon.cpp ${CMAKE_SOURCE_DIR}/player/appicon.cpp)
target_include_directories(make_icon PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(make_icon PRIVATE Qt6::Gui)
vantor_warnings(make_icon)
set(VANTOR_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
add_custom_command(OUTPUT ${VANTOR_ICON_DIR}/256x256/apps/${VANTOR_ICON_NAME}.png
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:make_icon>
          ${VANTOR_ICON_DIR} ${VANTOR_ICON_NAME}
  DEPENDS make_icon
  COMMENT "Drawing the program icon"
  VERBATIM)
add_custom_target(app_icon ALL DEPENDS ${VANTOR_ICON_DIR}/256x256/apps/${VANTOR_ICON_NAME}.png)

# Man pages carry the project version and are installed compressed, as Debian wants them.
set(VANTOR_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(man_pages)
foreach(page vantor-radio vantor-directory)
  set(src ${VANTOR_MAN_DIR}/${page}.1)
  configure_file(${CMAKE_SOURCE_DIR}/data/package/${page}.1.in ${src} @ONLY)
  set(out ${VANTOR_MAN_DIR}/${page}.1.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTOR_MAN_DIR}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${src} ${out}
    DEPENDS ${src}
    VERBATIM)
  list(APPEND man_pages ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})

# The user unit names absolute paths, so it is written at install time, when the prefix is
# known (cpack installs into /usr whatever the build's prefix is).
install(CODE "
  set(VANTOR_BIN \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(VANTOR_DIRECTORY_SHARE_FULL \"\${CMAKE_INSTALL_PREFIX}/${VANTOR_DIRECTORY_SHARE}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/data/package/vantor-directory.service.in\"
                 \"${CMAKE_BINARY_DIR}/vantor-directory.service\" @ONLY)")

install(TARGETS vantor-radio vantor-directory RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${VANTOR_SHARE}
  FILES_MATCHING PATTERN "*.ini" PATTERN "*.skn" PATTERN "*.logskn"
  PATTERN "package" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/server/catalogue.json DESTINATION ${VANTOR_DIRECTORY_SHARE})
install(DIRECTORY ${VANTOR_DEMO_DATA_DIR}/audio DESTINATION ${VANTOR_DIRECTORY_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/data/package/vantor-internet-radio.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/package/org.vantor.InternetRadio.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${VANTOR_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/vantor-directory.service DESTINATION lib/systemd/user)

# cpack -G DEB: the package's dependencies are read from the executables' shared libraries;
# the GStreamer plugins are loaded at run time, so they are named here.
set(CPACK_PACKAGE_NAME vantor-radio)
set(CPACK_PACKAGE_VENDOR "Vantor")
set(CPACK_PACKAGE_CONTACT "Vantor developers <radio@vantor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "internet radio player with a station directory")
set(CPACK_PACKAGE_DESCRIPTION "Pick a country, click a station and listen. Comes with its own \
station directory server and demo stations, so it works without a network.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gstreamer1.0-pulseaudio | gstreamer1.0-alsa")
set(CPACK_STRIP_FILES ON)
include(CPack)
