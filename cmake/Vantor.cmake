# Shared build rules: every subsystem folder is one static library with its own tests/.

function(vantor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VANTOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
endfunction()

# Files of the folder matching globs, less the ones named in exclude; or the ones named in
# only, when given. Shared by libraries and tests so that a folder can hold two of each.
function(vantor_pick_sources out globs only exclude)
  if(only)
    list(TRANSFORM only PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/ OUTPUT_VARIABLE picked)
  else()
    file(GLOB picked CONFIGURE_DEPENDS ${globs})
    foreach(file ${exclude})
      list(REMOVE_ITEM picked ${CMAKE_CURRENT_SOURCE_DIR}/${file})
    endforeach()
  endif()
  set(${out} ${picked} PARENT_SCOPE)
endfunction()

# vantor_library(NAME name DEPS libs... [SOURCES files...] [EXCLUDE files...]): a static
# library from the folder's sources (all of them, the named ones, or all but the named ones).
function(vantor_library)
  cmake_parse_arguments(ARG "" "NAME" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  vantor_pick_sources(sources
    "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp;${CMAKE_CURRENT_SOURCE_DIR}/*.h;${CMAKE_CURRENT_SOURCE_DIR}/*.ui"
    "${ARG_SOURCES}" "${ARG_EXCLUDE}")
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${ARG_NAME} PUBLIC QT_NO_KEYWORDS)
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
  vantor_warnings(${ARG_NAME})
endfunction()

# vantor_tests(NAME name DEPS libs... [PLAIN] [SOURCES files...] [EXCLUDE files...]): one test
# program from tests/*.cpp (paths relative to the folder, e.g. tests/x_test.cpp).
# PLAIN tests use GoogleTest's own main instead of the one that creates the QApplication.
function(vantor_tests)
  if(NOT VANTOR_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "PLAIN" "NAME" "DEPS;SOURCES;EXCLUDE" ${ARGN})
  vantor_pick_sources(sources "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp;${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h"
    "${ARG_SOURCES}" "${ARG_EXCLUDE}")
  if(NOT sources)
    return()
  endif()
  add_executable(${ARG_NAME} ${sources})
  if(ARG_PLAIN)
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  else()
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPS} vantor_test_support)
  endif()
  target_compile_definitions(${ARG_NAME} PRIVATE
    VANTOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VANTOR_BINARY_DIR="${CMAKE_BINARY_DIR}")
  vantor_warnings(${ARG_NAME})
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
