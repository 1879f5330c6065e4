# Fuzz targets: meravel_add_fuzz_target(<name> ENTRY <file> CORPUS <dir> SOURCES <files of src/>
#                                      [QT <Qt components>] [PKG <pkg-config modules>]
#                                      [REPLAY_LIBS <targets>] [DICT <file>] [SECONDS <short run>])
#
# Every target gives
#   - fuzz_<name>_replay and the test test_<name>_corpus: the corpus replayed through the entry
#     point with the ordinary compiler (so the sanitizer build covers it too);
#   - where clang can link libFuzzer, the libFuzzer build <build>/fuzz/<name>/fuzz_<name>
#     (a project of its own, tests/fuzz/project, because the main build may use another
#     compiler) and the test test_<name>_fuzz, a short run labelled "fuzz". A longer run:
#       <build>/fuzz/<name>/fuzz_<name> -max_total_time=600 -rss_limit_mb=2048 /tmp/corpus <corpus>
include_guard(GLOBAL)
include(ExternalProject)

find_program(MERAVEL_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
if(MERAVEL_CLANGXX AND NOT DEFINED MERAVEL_CLANG_FUZZER)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzzcheck/check.cpp
    "#include <cstddef>\n#include <cstdint>\nextern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }\n")
  execute_process(COMMAND ${MERAVEL_CLANGXX} -fsanitize=fuzzer,address,undefined check.cpp -o check
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzcheck RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_QUIET)
  if(_rc EQUAL 0)
    set(MERAVEL_CLANG_FUZZER ON CACHE BOOL "clang can build libFuzzer targets")
  else()
    set(MERAVEL_CLANG_FUZZER OFF CACHE BOOL "clang can build libFuzzer targets")
  endif()
endif()

function(meravel_add_fuzz_target name)
  set(MERAVEL_FUZZ_DIR ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  cmake_parse_arguments(F "" "ENTRY;CORPUS;DICT;SECONDS" "SOURCES;QT;PKG;REPLAY_LIBS" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 15)
  endif()
  get_filename_component(entry ${F_ENTRY} ABSOLUTE)
  get_filename_component(corpus ${F_CORPUS} ABSOLUTE)

  add_executable(fuzz_${name}_replay ${MERAVEL_FUZZ_DIR}/replay.cpp ${entry})
  target_link_libraries(fuzz_${name}_replay PRIVATE ${F_REPLAY_LIBS})
  set_target_properties(fuzz_${name}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME test_${name}_corpus COMMAND fuzz_${name}_replay ${corpus})

  if(NOT MERAVEL_CLANG_FUZZER)
    return()
  endif()
  set(sources ${entry})
  foreach(s ${F_SOURCES})
    list(APPEND sources ${CMAKE_SOURCE_DIR}/src/${s})
  endforeach()
  set(dict "")
  if(F_DICT)
    get_filename_component(dict ${F_DICT} ABSOLUTE)
    set(dict "-dict='${dict}'")
  endif()
  string(REPLACE ";" "|" sources "${sources}")
  string(REPLACE ";" "|" qt "${F_QT}")
  string(REPLACE ";" "|" pkg "${F_PKG}")
  set(bin ${CMAKE_BINARY_DIR}/fuzz/${name})
  ExternalProject_Add(fuzz_${name}
    SOURCE_DIR ${MERAVEL_FUZZ_DIR}/project
    BINARY_DIR ${bin}
    LIST_SEPARATOR |
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${MERAVEL_CLANGXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
               -DMERAVEL_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DCMAKE_PREFIX_PATH=${CMAKE_PREFIX_PATH}
               -DMERAVEL_GENERATED_DIR=${CMAKE_BINARY_DIR}/generated
               -DFUZZ_NAME=${name} -DFUZZ_SOURCES=${sources} -DFUZZ_QT=${qt} -DFUZZ_PKG=${pkg}
    BUILD_ALWAYS ON
    INSTALL_COMMAND "")
  # New inputs go to a folder of the build, never into the corpus of the source tree.
  add_test(NAME test_${name}_fuzz
    COMMAND sh -c "mkdir -p '${bin}/new-inputs' && exec '${bin}/fuzz_${name}' -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -timeout=10 ${dict} -artifact_prefix='${bin}/' '${bin}/new-inputs' '${corpus}'")
  set_tests_properties(test_${name}_fuzz PROPERTIES TIMEOUT 120 LABELS fuzz)
endfunction()
