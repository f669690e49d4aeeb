# The library's objects are compiled once and linked twice: into the shared
# library `util` (the product) and into the static `util_internal`, through which
# tests reach internal pieces that the shared library does not export.
set(UTIL_ALL_SOURCES ${UTIL_SOURCES})
if(WIN32)
  list(APPEND UTIL_ALL_SOURCES ${UTIL_WIN_SOURCES})
  set(UTIL_SYSTEM_LIBS ${UTIL_WIN_LIBS})
else()
  list(APPEND UTIL_ALL_SOURCES ${UTIL_POSIX_SOURCES})
  set(UTIL_SYSTEM_LIBS ${UTIL_POSIX_LIBS})
endif()

add_library(util_objects OBJECT ${UTIL_ALL_SOURCES})
target_include_directories(util_objects PUBLIC
  ${PROJECT_SOURCE_DIR}/common/util ${PROJECT_BINARY_DIR}/generated)
target_compile_definitions(util_objects PRIVATE UTIL_BUILDING ${UTIL_DCHECK_DEFINITION})
set_target_properties(util_objects PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

add_library(util SHARED $<TARGET_OBJECTS:util_objects>)
target_include_directories(util PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/common/util>)
target_link_libraries(util PRIVATE ${UTIL_SYSTEM_LIBS})
if(WIN32)
  # util.dll imports system DLLs only: the C++ runtime, libgcc and winpthread go in statically.
  set_target_properties(util PROPERTIES PREFIX "" IMPORT_PREFIX "" IMPORT_SUFFIX ".lib")
  target_link_options(util PRIVATE -static -static-libgcc -static-libstdc++)
endif()

add_library(util::util ALIAS util)

if(NOT UTIL_BUILD_TESTS)
  return()
endif()
add_library(util_internal STATIC $<TARGET_OBJECTS:util_objects>)
target_include_directories(util_internal PUBLIC
  ${PROJECT_SOURCE_DIR}/common/util ${PROJECT_BINARY_DIR}/generated)
target_compile_definitions(util_internal PUBLIC UTIL_STATIC)
target_link_libraries(util_internal PUBLIC ${UTIL_SYSTEM_LIBS})
