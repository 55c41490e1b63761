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
# Stripped as Debian strips: the compiler's .comment and the .note section go too.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(exe vantor-radio vantor-directory)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${exe}\")
    endforeach()
  endif()")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${VANTOR_SHARE}
  FILES_MATCHING PATTERN "*.ini" PATTERN "*.skn" PATTERN "*.logskn"
  PATTERN "inst.ini" EXCLUDE PATTERN "package" EXCLUDE)
# The installed defaults name no country: the first start shows the user's own (player/).
file(READ ${CMAKE_SOURCE_DIR}/data/inst.ini installed_inst_ini)
string(REGEX REPLACE "\nLaatsteLand(Naam|bestand)=[^\n]*" "\nLaatsteLand\\1=" installed_inst_ini
       "${installed_inst_ini}")
file(WRITE ${CMAKE_BINARY_DIR}/installed/inst.ini "${installed_inst_ini}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/inst.ini)
install(FILES ${CMAKE_BINARY_DIR}/installed/inst.ini DESTINATION ${VANTOR_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/server/catalogue.json DESTINATION ${VANTOR_DIRECTORY_SHARE})
install(DIRECTORY ${VANTOR_DEMO_DATA_DIR}/audio DESTINATION ${VANTOR_DIRECTORY_SHARE})
install(FILES ${CMAKE_SOURCE_DIR}/data/package/vantor-internet-radio.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/package/org.vantor.InternetRadio.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${VANTOR_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/vantor-directory.service DESTINATION lib/systemd/user)

# Debian's documentation of the package: its licences and its changes.
set(VANTOR_DOC ${CMAKE_INSTALL_DATADIR}/doc/vantor-radio)
set(changelog_gz ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${CMAKE_SOURCE_DIR}/data/package/changelog ${changelog_gz}
  DEPENDS ${CMAKE_SOURCE_DIR}/data/package/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${CMAKE_SOURCE_DIR}/data/package/copyright ${changelog_gz} DESTINATION ${VANTOR_DOC})

# Debian's hardening flags (dpkg-buildflags: stack protector, fortify, relro, bindnow) for what
# the package ships; not for sanitizer or fuzz builds, which bring their own instrumentation.
# Optimisation and debug information stay with the build type.
option(VANTOR_HARDENING "Build with Debian's hardening flags" ON)
find_program(VANTOR_DPKG_BUILDFLAGS dpkg-buildflags)
if(VANTOR_HARDENING AND VANTOR_DPKG_BUILDFLAGS AND NOT VANTOR_FUZZ AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${VANTOR_DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-g$|^-O|^-ffile-prefix-map")
    set(hardening_${kind} ${flags})
  endforeach()
  # What the package ships: the two programs and the libraries of this project they link.
  set(shipped vantor-radio vantor-directory)
  set(hardened)
  while(shipped)
    list(POP_FRONT shipped t)
    if(NOT TARGET ${t} OR t IN_LIST hardened)
      continue()
    endif()
    get_target_property(type ${t} TYPE)
    get_target_property(imported ${t} IMPORTED)
    if(NOT imported AND (type STREQUAL "EXECUTABLE" OR type STREQUAL "STATIC_LIBRARY"))
      list(APPEND hardened ${t})
      target_compile_options(${t} PRIVATE ${hardening_CPPFLAGS} ${hardening_CXXFLAGS})
      target_link_options(${t} PRIVATE ${hardening_LDFLAGS})
      get_target_property(deps ${t} LINK_LIBRARIES)
      if(deps)
        list(APPEND shipped ${deps})
      endif()
    endif()
  endwhile()
endif()

# cpack -G DEB: the package's dependencies are read from the executables' shared libraries;
# the GStreamer plugins are loaded at run time, so they are named here.
set(CPACK_PACKAGE_NAME vantor-radio)
set(CPACK_PACKAGE_VENDOR "Vantor")
set(CPACK_PACKAGE_CONTACT "Vantor developers <radio@vantor.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "internet radio player with a station directory")
# Lines within 80 columns, as Debian wants them.
set(CPACK_PACKAGE_DESCRIPTION "Pick a country, click a station and listen: the stations of the public
radio-browser directory, most listened first. Comes with its own station
directory server, which keeps what it fetched and offers demo stations while
there is no network.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# An audio output too: without one a minimal system installs a player that makes no sound.
# Qt's own translations, for the buttons of its dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-qpa-plugins, \
qt6-translations-l10n, gstreamer1.0-pulseaudio | gstreamer1.0-pipewire | gstreamer1.0-alsa")
# Without Qt's Wayland plugin the program runs through XWayland on a Wayland desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# faad decodes AAC in a fifth of gst-libav's memory; the player takes it when it is there.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gstreamer1.0-plugins-bad")
set(CPACK_STRIP_FILES ON)
include(CPack)
