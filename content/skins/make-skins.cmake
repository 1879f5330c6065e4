# Writes skin/1.skn ... skin/48.skn and skin/skin.txt into OUT from the template and the
# palette table. Run in script mode: cmake -DSRC=<content/skins> -DOUT=<program>/skin -P make-skins.cmake
file(MAKE_DIRECTORY ${OUT})
file(STRINGS ${SRC}/palettes.txt lines REGEX "^[0-9]")
set(columns NUMBER NAME WINDOW TEXT PANEL BORDER BUTTONTOP BUTTONBOTTOM BUTTONTEXT BUTTONHOVER
    BUTTONPRESSED ACCENT ACCENTTEXT INPUT INPUTTEXT HEADER HEADERTEXT SELECTION SELECTIONTEXT
    DISABLED DISABLEDTEXT RADIUS)
list(LENGTH columns ncolumns)
set(count 0)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields n)
  if(NOT n EQUAL ncolumns)
    message(FATAL_ERROR "palettes.txt: expected ${ncolumns} fields in: ${line}")
  endif()
  foreach(i RANGE 0 ${ncolumns})
    if(i LESS ncolumns)
      list(GET columns ${i} key)
      list(GET fields ${i} value)
      set(${key} "${value}")
    endif()
  endforeach()
  string(REPLACE "_" " " NAME "${NAME}")
  configure_file(${SRC}/skin.qss.in ${OUT}/${NUMBER}.skn @ONLY NEWLINE_STYLE CRLF)
  math(EXPR count "${count} + 1")
endforeach()
if(NOT count EQUAL 48)
  message(FATAL_ERROR "palettes.txt holds ${count} skins, not 48")
endif()
# The skin setting file: one line, the skin name and CR LF. The user's choice is kept when the
# file exists already, so rebuilding does not undo it.
if(NOT EXISTS ${OUT}/skin.txt)
  file(WRITE ${OUT}/skin.txt "1\r\n")
endif()
# configure_file leaves unchanged files untouched; mark every output as fresh for the build tool.
foreach(n RANGE 1 48)
  file(TOUCH ${OUT}/${n}.skn)
endforeach()
file(TOUCH ${OUT}/skin.txt)
