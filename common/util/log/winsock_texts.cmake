# Makes the Winsock text tables from winsock_texts.txt when the build is
# configured, and again whenever the list changes (it is a configure
# dependency): ${PROJECT_BINARY_DIR}/generated/log/winsock_texts.rc, the string
# table that util.rc includes, and .../winsock_texts.inc, the entries of the
# POSIX table. Files are rewritten only when their contents change.
set(winsock_texts_list ${CMAKE_CURRENT_LIST_DIR}/winsock_texts.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${winsock_texts_list})
file(STRINGS ${winsock_texts_list} winsock_texts_lines)
set(winsock_texts_rc "// Generated from common/util/log/winsock_texts.txt: do not edit.\nSTRINGTABLE\nBEGIN\n")
set(winsock_texts_inc "// Generated from common/util/log/winsock_texts.txt: do not edit.\n")
set(winsock_texts_count 0)
foreach(line IN LISTS winsock_texts_lines)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  # A text may hold no quote or backslash: it goes into C and resource literals as it stands.
  if(NOT line MATCHES "^([0-9]+) ([A-Z_]+) ([^\"\\\\]+)$")
    message(FATAL_ERROR "winsock_texts.txt: malformed line '${line}'")
  endif()
  string(APPEND winsock_texts_rc "    ${CMAKE_MATCH_1}, \"${CMAKE_MATCH_3}\"\n")
  string(APPEND winsock_texts_inc "    {${CMAKE_MATCH_1}, \"${CMAKE_MATCH_3}\"},  // ${CMAKE_MATCH_2}\n")
  math(EXPR winsock_texts_count "${winsock_texts_count} + 1")
endforeach()
if(NOT winsock_texts_count EQUAL 44)
  message(FATAL_ERROR "winsock_texts.txt: ${winsock_texts_count} texts, expected 44")
endif()
string(APPEND winsock_texts_rc "END\n")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/log/winsock_texts.rc CONTENT "${winsock_texts_rc}" @ONLY)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/log/winsock_texts.inc CONTENT "${winsock_texts_inc}" @ONLY)
