# Included at the end of project(Meravel) (CMAKE_PROJECT_Meravel_INCLUDE) by the update test's
# build: the program calls itself one release older than the sources (2.5 -> 2.4, 3.0 -> 2.9),
# so the release built from them is an update to it.
if(PROJECT_VERSION_MINOR GREATER 0)
  math(EXPR PROJECT_VERSION_MINOR "${PROJECT_VERSION_MINOR} - 1")
else()
  math(EXPR PROJECT_VERSION_MAJOR "${PROJECT_VERSION_MAJOR} - 1")
  set(PROJECT_VERSION_MINOR 9)
endif()
set(PROJECT_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
set(Meravel_VERSION_MAJOR "${PROJECT_VERSION_MAJOR}")
set(Meravel_VERSION_MINOR "${PROJECT_VERSION_MINOR}")
set(Meravel_VERSION "${PROJECT_VERSION}")
