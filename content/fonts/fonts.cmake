# The display face: Nazli from fonts-farsiweb with the Arabic yeh, alef maksura and kaf drawn
# in their Persian shapes (make_display_font.py). The program loads it from its folder.
# MERAVEL_DISPLAY_FONTS lists the built files (target display_fonts) for installing.
find_program(MERAVEL_FONT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT MERAVEL_FONT_PYTHON)
  find_program(MERAVEL_FONT_PYTHON python3 REQUIRED)
endif()
set(MERAVEL_FONT_SOURCE_DIR /usr/share/fonts/truetype/farsiweb CACHE PATH "Folder of the Nazli fonts (fonts-farsiweb)")
set(MERAVEL_DISPLAY_FONTS ${P}/MeravelNazli.ttf ${P}/MeravelNazli-Bold.ttf)
foreach(pair "nazli.ttf;MeravelNazli.ttf" "nazlib.ttf;MeravelNazli-Bold.ttf")
  list(GET pair 0 source)
  list(GET pair 1 output)
  add_custom_command(OUTPUT ${P}/${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${P}
    COMMAND ${MERAVEL_FONT_PYTHON} ${C}/fonts/make_display_font.py
            ${MERAVEL_FONT_SOURCE_DIR}/${source} ${P}/${output} "Meravel Nazli"
    DEPENDS ${C}/fonts/make_display_font.py ${MERAVEL_FONT_SOURCE_DIR}/${source}
    COMMENT "Deriving the display face ${output}")
endforeach()
add_custom_target(display_fonts ALL DEPENDS ${MERAVEL_DISPLAY_FONTS})
set(MERAVEL_DISPLAY_FONTS ${MERAVEL_DISPLAY_FONTS} PARENT_SCOPE)
list(APPEND MERAVEL_CONTENT_OUTPUTS ${MERAVEL_DISPLAY_FONTS})
