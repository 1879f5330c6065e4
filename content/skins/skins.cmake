# The 48 skins and the skin setting file of the program folder, generated from the template
# skin.qss.in and the colour table palettes.txt (included by content/CMakeLists.txt).
set(_skin_out ${MERAVEL_PROGRAM_DIR}/skin)
set(_skin_files ${_skin_out}/skin.txt)
foreach(_n RANGE 1 48)
  list(APPEND _skin_files ${_skin_out}/${_n}.skn)
endforeach()
add_custom_command(OUTPUT ${_skin_files}
  COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_CURRENT_LIST_DIR} -DOUT=${_skin_out} -P ${CMAKE_CURRENT_LIST_DIR}/make-skins.cmake
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/skin.qss.in ${CMAKE_CURRENT_LIST_DIR}/palettes.txt
          ${CMAKE_CURRENT_LIST_DIR}/make-skins.cmake
  COMMENT "Generating the 48 skins")
list(APPEND MERAVEL_CONTENT_OUTPUTS ${_skin_files})
