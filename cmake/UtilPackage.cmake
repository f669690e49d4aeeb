# Release archives with cpack, from the install rules:
#   Windows: util-<version>-win32.zip  (util.dll, util.lib, headers, utilctl.exe,
#            CMake package files, README.txt)
#   Linux:   util-<version>-Linux-<arch>.tar.gz and util_<version>_<arch>.deb
#            (libutil.so, headers, utilctl, CMake and pkg-config files)
# Made with `cpack --config <build>/CPackConfig.cmake` (README: "Release archives").
set(CPACK_PACKAGE_NAME util)
set(CPACK_PACKAGE_VENDOR "util developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "The client's shared utility library and the utilctl tool")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES OFF)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME util-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/archive-README.txt DESTINATION . RENAME README.txt)
else()
  set(CPACK_GENERATOR "TGZ;DEB")
  set(CPACK_PACKAGE_FILE_NAME util-${PROJECT_VERSION}-Linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "util developers <util@localhost>")
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libstdc++6 (>= 12)")
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/archive-README.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/util RENAME README.txt)
endif()
include(CPack)
