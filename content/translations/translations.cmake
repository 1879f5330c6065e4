# Qt's own Persian texts (qtbase_fa.qm, Debian package qt6-translations-l10n): the buttons of
# message boxes, the file, print and page set-up dialogs and the print preview's tool bar. The
# programs load it from translations/ beside them (QtTranslation); it is copied there from
# Qt's translations folder, and installed among the templates.
set(_qt_translations "")
if(QT6_INSTALL_PREFIX AND QT6_INSTALL_TRANSLATIONS)
  set(_qt_translations ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS})
endif()
if(NOT _qt_translations OR NOT EXISTS ${_qt_translations}/qtbase_fa.qm)
  set(_qt_translations /usr/share/qt6/translations)
endif()
set(MERAVEL_QT_TRANSLATIONS_DIR ${_qt_translations} CACHE PATH
  "Folder holding Qt's qtbase_fa.qm (qt6-translations-l10n)")
set(MERAVEL_TRANSLATIONS)
if(EXISTS ${MERAVEL_QT_TRANSLATIONS_DIR}/qtbase_fa.qm)
  add_custom_command(OUTPUT ${P}/translations/qtbase_fa.qm
    COMMAND ${CMAKE_COMMAND} -E make_directory ${P}/translations
    COMMAND ${CMAKE_COMMAND} -E copy ${MERAVEL_QT_TRANSLATIONS_DIR}/qtbase_fa.qm ${P}/translations/qtbase_fa.qm
    DEPENDS ${MERAVEL_QT_TRANSLATIONS_DIR}/qtbase_fa.qm
    COMMENT "Copying Qt's Persian translation")
  set(MERAVEL_TRANSLATIONS ${P}/translations/qtbase_fa.qm)
  list(APPEND MERAVEL_CONTENT_OUTPUTS ${MERAVEL_TRANSLATIONS})
else()
  message(WARNING "qtbase_fa.qm not found in ${MERAVEL_QT_TRANSLATIONS_DIR} (Debian package "
                  "qt6-translations-l10n): Qt's dialogs and buttons will speak English")
endif()
set(MERAVEL_TRANSLATIONS ${MERAVEL_TRANSLATIONS} PARENT_SCOPE)
