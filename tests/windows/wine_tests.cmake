# The test suites of the Windows cross build. Every test executable runs under Wine (the
# toolchain's CMAKE_CROSSCOMPILING_EMULATOR) in a prefix inside the build tree.

# GoogleTest from Debian's sources, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(VARNOLITH_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(VARNOLITH_WINE_ENVIRONMENT
  "WINEPREFIX=${VARNOLITH_WINEPREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")

# Creates the prefix (and its registry settings) before any Wine test runs.
add_test(NAME wine_prefix COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh ${VARNOLITH_WINEPREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 240 LABELS wine)

# Every test program installs this guard first: under Wine a crash after a thread was started
# exits with status 0, so the guard turns any unhandled exception into exit status 3.
add_library(varnolith_crash_guard STATIC ${CMAKE_CURRENT_LIST_DIR}/crash_guard.cpp)
target_include_directories(varnolith_crash_guard PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(varnolith_crash_guard PRIVATE varnolith_warnings)

add_library(varnolith_wine_gtest_main STATIC ${CMAKE_CURRENT_LIST_DIR}/gtest_main.cpp)
target_link_libraries(varnolith_wine_gtest_main PUBLIC GTest::gtest varnolith_crash_guard PRIVATE varnolith_warnings)

# varnolith_wine_test_properties(<test> [TIMEOUT <seconds>] [LABELS <labels...>])
# The properties no Wine test may go without: the prefix, a time limit, and failure on any
# crash report even when the exit status hides it.
function(varnolith_wine_test_properties test)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${test} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "${VARNOLITH_WINE_ENVIRONMENT}"
    FAIL_REGULAR_EXPRESSION "wine: Unhandled;\\[  FAILED  \\]"
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "wine;${ARG_LABELS}")
endfunction()

# varnolith_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One ctest test per program: starting Wine costs more than most suites take to run.
function(varnolith_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} varnolith_wine_gtest_main GTest::gmock varnolith_warnings)
  # GCC 12 at -O3 reports libstdc++'s own inlined string and vector copies in test code as
  # overflowing (false positives); they stay warnings here. The product code keeps them errors.
  target_compile_options(${name} PRIVATE
    -Wno-error=stringop-overflow -Wno-error=stringop-overread -Wno-error=restrict)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(ARG_TIMEOUT)
    varnolith_wine_test_properties(${name} TIMEOUT ${ARG_TIMEOUT} LABELS ${ARG_LABELS})
  else()
    varnolith_wine_test_properties(${name} LABELS ${ARG_LABELS})
  endif()
endfunction()

# The suites that need nothing Linux-only; entry and tools load bundles with dlopen, and
# windows/ holds their Windows counterparts.
foreach(dir vst3 params player recorder plugin state windows)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../${dir}/CMakeLists.txt)
    add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/../${dir} ${CMAKE_CURRENT_BINARY_DIR}/${dir})
  endif()
endforeach()
