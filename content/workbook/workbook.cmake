# The blank answer workbook of the program folder, written by make-workbook with libxlsxwriter
# from the questionnaire content (item texts, rating labels, instructions).
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(make-workbook ${C}/workbook/make-workbook.cpp)
  target_link_libraries(make-workbook PRIVATE meravel_core PkgConfig::XLSXWRITER)
  set_target_properties(make-workbook PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()

set(_questionnaire ${C}/questionnaire/questionnaire.json)
set(_workbook_args ${P}/Meravel-Excel.xlsx)
set(_workbook_deps make-workbook)
if(EXISTS ${_questionnaire})
  list(APPEND _workbook_args ${_questionnaire})
  list(APPEND _workbook_deps ${_questionnaire})
endif()
add_custom_command(OUTPUT ${P}/Meravel-Excel.xlsx
  COMMAND ${CMAKE_COMMAND} -E make_directory ${P}
  COMMAND make-workbook ${_workbook_args}
  DEPENDS ${_workbook_deps}
  COMMENT "Generating Meravel-Excel.xlsx")
list(APPEND MERAVEL_CONTENT_OUTPUTS ${P}/Meravel-Excel.xlsx)
