# Small helpers shared by the library, the tool, the tests, the benchmarks and the fuzz targets.

# UTIL_WERROR (scripts/test-all.sh turns it on) makes every warning an error; off by
# default so that a client taking the library in with a newer compiler still builds.
function(util_set_warnings)
  add_compile_options(-Wall -Wextra)
  if(UTIL_WERROR)
    add_compile_options(-Werror)
  endif()
endfunction()

# 'address' builds with AddressSanitizer + UndefinedBehaviorSanitizer, 'thread' with ThreadSanitizer.
function(util_set_sanitizers kind)
  if(kind STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  elseif(kind STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  elseif(NOT kind STREQUAL "")
    message(FATAL_ERROR "UTIL_SANITIZE must be empty, 'address' or 'thread'")
  endif()
endfunction()

# util_add_gtest(NAME name [SOURCES ...] [WIN_SOURCES ...] [POSIX_SOURCES ...] [INTERNAL]
#                [LIBS ...] [WIN_LIBS ...] [POSIX_LIBS ...] [DEFINITIONS ...] [DEPENDS ...]
#                [TIMEOUT s] [LABELS ...])
#   One GoogleTest binary registered as one ctest test with a time-out.
#   SOURCES are built everywhere, WIN_SOURCES / WIN_LIBS on the Windows build only,
#   POSIX_SOURCES / POSIX_LIBS on the others: the one way a test picks its platform
#   files. A test with no source for the platform being built is not added there.
#   INTERNAL links the static util_internal (internal pieces reachable) instead of the
#   shared library. DEFINITIONS are private compile definitions, DEPENDS targets built
#   first. LABELS "concurrent" marks a suite that runs threads or processes at
#   once; "no-tsan" leaves a suite out of the ThreadSanitizer run, which takes the rest.
#   Tests that re-run their own binary as a child get its path in UTIL_TEST_SELF.
function(util_add_gtest)
  cmake_parse_arguments(T "INTERNAL" "NAME;TIMEOUT"
    "SOURCES;WIN_SOURCES;POSIX_SOURCES;LIBS;WIN_LIBS;POSIX_LIBS;DEFINITIONS;DEPENDS;LABELS" ${ARGN})
  if(T_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "util_add_gtest(${T_NAME}): unknown arguments ${T_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(WIN32)
    list(APPEND T_SOURCES ${T_WIN_SOURCES})
    list(APPEND T_LIBS ${T_WIN_LIBS})
  else()
    list(APPEND T_SOURCES ${T_POSIX_SOURCES})
    list(APPEND T_LIBS ${T_POSIX_LIBS})
  endif()
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_INTERNAL)
    target_link_libraries(${T_NAME} PRIVATE util_internal)
  else()
    target_link_libraries(${T_NAME} PRIVATE util)
  endif()
  target_link_libraries(${T_NAME} PRIVATE util_test_support GTest::gtest_main GTest::gmock ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(T_DEFINITIONS)
    target_compile_definitions(${T_NAME} PRIVATE ${T_DEFINITIONS})
  endif()
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  if(WIN32)
    target_link_options(${T_NAME} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

# util_add_fuzzer(NAME name SOURCES ... [SECONDS s])
#   A libFuzzer target over the static library, and a ctest entry that runs it for a short while.
function(util_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SECONDS" "SOURCES" ${ARGN})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE util_fuzz_objects)
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus_${F_NAME})
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${F_NAME}
           COMMAND ${F_NAME} -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -timeout=10 ${corpus})
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT 300 LABELS fuzz)
endfunction()
