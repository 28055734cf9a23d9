# spc_unit_library(name SOURCES ... [DEPS ...]): a static library of the listed
# sources of the calling folder, with the folder's parent as include root so
# code writes #include "protect/base64.h".
function(spc_unit_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "spc_unit_library(${name}): no SOURCES listed")
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# spc_unit_tests(name SOURCES ... [DEPS ...] [LABELS ...]): one GoogleTest
# program of the listed sources of the calling folder; every test case
# registers with ctest, with the given labels ("patterns": the program runs
# page patterns through the matcher, and CI runs it again with every core busy).
function(spc_unit_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  set(properties ENVIRONMENT "SPC_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  # NO_PRETTY_VALUES: a parameterised test's ctest name is its GoogleTest name
  # alone (the suites give short, stable parameter names), without a dump of
  # the parameter's value. Listing takes well under a second; the generous
  # DISCOVERY_TIMEOUT only keeps a build on a swamped machine from failing.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 600 NO_PRETTY_VALUES PROPERTIES ${properties})
endfunction()
