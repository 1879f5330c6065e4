# Writes a gzip-compressed man page for a program from what its --help prints (and, with
# SUBCOMMANDS, what "PROGRAM COMMAND --help" prints for every command listed under
# "Commands:"), so that the page never disagrees with the program.
#   cmake -DPROGRAM=exe -DNAME=meravel-cli -DSUMMARY=text -DVERSION=2.5 -DGZIP=gzip
#         -DOUT=file.1.gz [-DSUBCOMMANDS=ON] -P make-manpage.cmake
foreach(v PROGRAM NAME SUMMARY VERSION GZIP OUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "make-manpage: ${v} is not set")
  endif()
endforeach()

set(ENV{QT_QPA_PLATFORM} offscreen)

function(run_help out)
  execute_process(COMMAND ${PROGRAM} ${ARGN} --help
    OUTPUT_VARIABLE text ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "make-manpage: ${PROGRAM} ${ARGN} --help failed (${rc}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Roff text of a block printed as it is: backslashes and minus signs escaped, lines that
# would read as requests protected.
function(roff_block out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REGEX REPLACE "\n+$" "" text "${text}")
  set(${out} ".nf\n${text}\n.fi\n" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" upper)
string(REPLACE "-" "\\-" roffname "${NAME}")
run_help(main_help)
roff_block(main_block "${main_help}")

set(page ".TH ${upper} 1 \"\" \"Meravel ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${roffname} \\- ${SUMMARY}\n")
string(APPEND page ".SH SYNOPSIS\n${main_block}")

if(SUBCOMMANDS)
  string(REGEX REPLACE ".*\nCommands:\n" "" listed "${main_help}")
  string(REGEX REPLACE "\n\n.*" "" listed "${listed}")
  string(REPLACE "\n" ";" lines "${listed}")
  string(APPEND page ".SH COMMANDS\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][a-z-]*)")
      set(cmd ${CMAKE_MATCH_1})
      run_help(cmd_help ${cmd})
      roff_block(cmd_block "${cmd_help}")
      string(REPLACE "-" "\\-" roffcmd "${cmd}")
      string(APPEND page ".SS ${roffcmd}\n${cmd_block}")
    endif()
  endforeach()
endif()

string(APPEND page ".SH FILES\n"
  "The program folder holds \\fBmeravelDB.mdb\\fR (the main database), \\fBTheme.skn\\fR (the\n"
  "settings), \\fBskin/\\fR, \\fBMeravelLogo.jpg\\fR and \\fBBack/\\fR (backups). It is the folder\n"
  "given with \\fB\\-\\-folder\\fR; else the folder of the executable when it holds\n"
  "\\fBmeravelDB.mdb\\fR; else the per\\-user data folder (\\fI~/.local/share/Meravel\\fR),\n"
  "created on first use from the templates in \\fIshare/meravel\\fR under the\n"
  "installation prefix.\n"
  ".SH EXIT STATUS\n"
  "0 success, 1 refused or failed, 2 wrong command line.\n")

get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
string(REGEX REPLACE "\\.gz$" "" plain "${OUT}")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND ${GZIP} -9nf "${plain}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make-manpage: ${GZIP} failed on ${plain}")
endif()
