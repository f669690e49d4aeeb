# cmake --install: the public headers (under include/util, so that clients write
# #include "util.h"), the library, utilctl, a CMake package (find_package(util)
# giving util::util) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The public headers are util.h and every header it includes, directly or not.
function(util_collect_headers header)
  if(header IN_LIST UTIL_PUBLIC_HEADERS)
    return()
  endif()
  list(APPEND UTIL_PUBLIC_HEADERS ${header})
  set(UTIL_PUBLIC_HEADERS ${UTIL_PUBLIC_HEADERS} PARENT_SCOPE)
  file(STRINGS ${PROJECT_SOURCE_DIR}/common/util/${header} lines REGEX "^#include \"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    util_collect_headers(${included})
    set(UTIL_PUBLIC_HEADERS ${UTIL_PUBLIC_HEADERS} PARENT_SCOPE)
  endforeach()
endfunction()
set(UTIL_PUBLIC_HEADERS "")
util_collect_headers(util.h)

foreach(header IN LISTS UTIL_PUBLIC_HEADERS)
  get_filename_component(directory ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/common/util/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/util/${directory})
endforeach()

target_include_directories(util PUBLIC $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/util>)
set(UTIL_INSTALLED_TARGETS util)
if(TARGET utilctl)
  list(APPEND UTIL_INSTALLED_TARGETS utilctl)
endif()
install(TARGETS ${UTIL_INSTALLED_TARGETS} EXPORT utilTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT utilTargets NAMESPACE util:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/util)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/utilConfig.cmake.in ${PROJECT_BINARY_DIR}/utilConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/util)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/utilConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/utilConfig.cmake ${PROJECT_BINARY_DIR}/utilConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/util)

# The .pc file finds its prefix relative to itself, so the package can move.
file(RELATIVE_PATH UTIL_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${PROJECT_SOURCE_DIR}/cmake/util.pc.in ${PROJECT_BINARY_DIR}/util.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/util.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
