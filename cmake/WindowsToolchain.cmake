# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (POSIX threads).
# The libraries and Qt built for Windows live in one SDK folder (scripts/windows/sdk.sh):
# pass it as -DMERAVEL_WINSDK=DIR or in the environment variable of the same name.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MERAVEL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MERAVEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MERAVEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${MERAVEL_MINGW}-windres)
set(CMAKE_AR /usr/bin/${MERAVEL_MINGW}-ar)
set(CMAKE_RANLIB /usr/bin/${MERAVEL_MINGW}-ranlib)

if(NOT MERAVEL_WINSDK AND DEFINED ENV{MERAVEL_WINSDK})
  set(MERAVEL_WINSDK "$ENV{MERAVEL_WINSDK}")
endif()
# try_compile projects see the toolchain again without the cache: pass the folder on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MERAVEL_WINSDK)

set(CMAKE_FIND_ROOT_PATH /usr/${MERAVEL_MINGW})
if(MERAVEL_WINSDK)
  list(APPEND CMAKE_FIND_ROOT_PATH "${MERAVEL_WINSDK}/prefix" "${MERAVEL_WINSDK}/qt")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
