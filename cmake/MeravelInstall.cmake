# Install rules (cmake --install) and the packages CPack builds from them
# (cmake --build build --target package). Included by the top CMakeLists.txt after every
# target exists. Nothing here writes into the build's program folder.
#
#   bin/                          meravel, meravel-cli
#   libexec/meravel/              meravel-xls (beside the programs on Windows)
#   share/meravel/                templates of a per-user program folder, the display font,
#                                 translations/qtbase_fa.qm (Qt's Persian texts)
#   share/applications/           ${MERAVEL_APP_ID}.desktop
#   share/icons/hicolor/          the icon: scalable SVG, 48, 128 and 256 pixel PNG
#   share/metainfo/               ${MERAVEL_APP_ID}.metainfo.xml
#   share/man/man1/               meravel.1.gz, meravel-cli.1.gz
#   share/doc/meravel/            copyright, changelog.gz

set(MERAVEL_APP_ID "org.example.Meravel" CACHE STRING
  "Reverse-DNS identifier of the desktop entry, icon and AppStream file (a placeholder until a real one is chosen)")
set(MERAVEL_PACKAGE_MAINTAINER "Meravel packagers <packagers@example.invalid>" CACHE STRING
  "Maintainer named in the package (a placeholder until a real one is chosen)")
set(MERAVEL_LICENSE "LicenseRef-proprietary" CACHE STRING "SPDX licence expression of the program")

set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(_weekdays Sat Sun Mon Tue Wed Thu Fri)
set(_months "" Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(_gen ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_gen})

# ------------------------------------------------------------------ programs
install(TARGETS meravel meravel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS meravel-xls RUNTIME DESTINATION ${MERAVEL_HELPER_INSTALL_DIR})

# ------------------------------------------------------------------ templates
# What a per-user program folder is filled from (ProgramFolder::templateEntries()).
install(FILES ${MERAVEL_PROGRAM_DIR}/meravelDB.mdb ${MERAVEL_PROGRAM_DIR}/Theme.skn
              ${MERAVEL_PROGRAM_DIR}/Meravel-Excel.xlsx
        DESTINATION ${MERAVEL_TEMPLATE_INSTALL_DIR})
install(DIRECTORY ${MERAVEL_PROGRAM_DIR}/skin DESTINATION ${MERAVEL_TEMPLATE_INSTALL_DIR}
        FILES_MATCHING PATTERN "*.skn" PATTERN "skin.txt")

# The display face derived at build time (content/fonts), loaded from here by an installed
# program.
if(MERAVEL_DISPLAY_FONTS)
  install(FILES ${MERAVEL_DISPLAY_FONTS} DESTINATION ${MERAVEL_TEMPLATE_INSTALL_DIR})
endif()

# Qt's own Persian texts (content/translations), found by the programs relative to their folder.
if(MERAVEL_TRANSLATIONS)
  install(FILES ${MERAVEL_TRANSLATIONS} DESTINATION ${MERAVEL_TEMPLATE_INSTALL_DIR}/translations)
endif()

# ------------------------------------------------------------------ desktop integration
configure_file(${_pkg}/meravel.desktop.in ${_gen}/${MERAVEL_APP_ID}.desktop @ONLY)
configure_file(${_pkg}/meravel.metainfo.xml.in ${_gen}/${MERAVEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_gen}/${MERAVEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_gen}/${MERAVEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/meravel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${MERAVEL_APP_ID}.svg)

# The PNG sizes are rendered from the SVG at build time.
find_program(MERAVEL_RSVG_CONVERT rsvg-convert)
if(MERAVEL_RSVG_CONVERT)
  set(_icons)
  foreach(size 48 128 256)
    set(_png ${_gen}/icons/${size}/${MERAVEL_APP_ID}.png)
    add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icons/${size}
      COMMAND ${MERAVEL_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_pkg}/meravel.svg
      DEPENDS ${_pkg}/meravel.svg
      COMMENT "Rendering the ${size} pixel icon")
    list(APPEND _icons ${_png})
    install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(program_icons ALL DEPENDS ${_icons})
else()
  message(WARNING "rsvg-convert (Debian package librsvg2-bin) not found: the PNG icons are not installed")
endif()

# ------------------------------------------------------------------ manual pages and docs
if(UNIX AND NOT CMAKE_CROSSCOMPILING)
  find_program(MERAVEL_GZIP gzip REQUIRED)
  set(_man)
  foreach(prog meravel meravel-cli)
    if(prog STREQUAL "meravel-cli")
      set(_summary "the companion command-line tool of Meravel")
      set(_sub ON)
    else()
      set(_summary "vocational and educational interest questionnaire")
      set(_sub OFF)
    endif()
    set(_page ${_gen}/man/${prog}.1.gz)
    add_custom_command(OUTPUT ${_page}
      COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${prog}> -DNAME=${prog}
              "-DSUMMARY=${_summary}" -DVERSION=${PROJECT_VERSION} -DGZIP=${MERAVEL_GZIP}
              -DSUBCOMMANDS=${_sub} -DOUT=${_page} -P ${_pkg}/make-manpage.cmake
      DEPENDS ${prog} ${_pkg}/make-manpage.cmake
      COMMENT "Writing the manual page of ${prog} from its --help"
      VERBATIM)
    list(APPEND _man ${_page})
  endforeach()
  add_custom_target(program_manpages ALL DEPENDS ${_man})
  install(FILES ${_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # The release date in the changelog's form, "Wed, 09 Dec 2026 00:00:00 +0000".
  string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" _ "${MERAVEL_RELEASE_DATE}")
  set(_y ${CMAKE_MATCH_1})
  math(EXPR _m "${CMAKE_MATCH_2} + 0")
  math(EXPR _d "${CMAKE_MATCH_3} + 0")
  if(_m LESS 3) # Zeller's congruence counts January and February with the year before
    math(EXPR _zm "${_m} + 12")
    math(EXPR _zy "${_y} - 1")
  else()
    set(_zm ${_m})
    set(_zy ${_y})
  endif()
  math(EXPR _wd "(${_d} + (13 * (${_zm} + 1)) / 5 + ${_zy} + ${_zy} / 4 - ${_zy} / 100 + ${_zy} / 400) % 7")
  list(GET _weekdays ${_wd} _wname)
  list(GET _months ${_m} _mname)
  set(MERAVEL_CHANGELOG_DATE "${_wname}, ${CMAKE_MATCH_3} ${_mname} ${_y} 00:00:00 +0000")
  configure_file(${_pkg}/changelog.in ${_gen}/changelog @ONLY)
  configure_file(${_pkg}/copyright.in ${_gen}/copyright @ONLY)
  add_custom_command(OUTPUT ${_gen}/changelog.gz
    COMMAND ${MERAVEL_GZIP} -9nkf ${_gen}/changelog
    DEPENDS ${_gen}/changelog
    COMMENT "Compressing the changelog")
  add_custom_target(program_changelog ALL DEPENDS ${_gen}/changelog.gz)
  install(FILES ${_gen}/copyright ${_gen}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/meravel)
endif()

# ------------------------------------------------------------------ Windows
# A Windows build is laid out with Qt's libraries and plugins, the libraries and the mingw
# run-time, and packed into its set-up program and portable zip by scripts/windows/
# (layout.sh, package.sh, packaging/windows/meravel.nsi), not by these rules.

# ------------------------------------------------------------------ packages
set(CPACK_PACKAGE_NAME meravel)
set(CPACK_PACKAGE_VENDOR "Meravel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${MERAVEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vocational and educational interest questionnaire")
set(CPACK_PACKAGE_DESCRIPTION
"Meravel is for psychologists, school counsellors and clinics. It registers the
people who take a vocational and educational interest questionnaire, lets each
answer it on screen page by page, scores the answers on the six-type interest
model, prints a result report and a subject list, imports answers filled into a
spreadsheet workbook, and backs the database up and restores it. The interface
is Persian and reads right to left. The command-line tool meravel-cli does the
same without windows.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Meravel)
set(CPACK_PACKAGE_EXECUTABLES meravel Meravel)
set(CPACK_STRIP_FILES ON)

if(NOT WIN32)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION education)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Debian 12's names of what the programs link and load: Qt 6 (with the SQLite driver and
  # the platform plugins of libqt6gui6), SQLite, libpq, libzip, FreeXL, OpenSSL, the C++
  # run-time, and the fonts the Persian texts are drawn with (libxlsxwriter writes the blank
  # workbook at build time; no installed program links it). Qt's PostgreSQL driver is
  # needed only by seats whose registry is on a server: recommended.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6sql6-sqlite (>= 6.4), libqt6printsupport6 (>= 6.4), libsqlite3-0, libpq5, libzip4, libfreexl1, libssl3, fonts-noto-core, fonts-farsiweb")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql (>= 6.4)")
endif()
include(CPack)
