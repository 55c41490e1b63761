# Shared build rules: every subsystem folder is one static library with its own tests/.

function(vantor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VANTOR_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS)
endfunction()

# vantor_library(NAME name DEPS libs...): a static library from the folder's sources.
function(vantor_library)
  cmake_parse_arguments(ARG "" "NAME" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${ARG_NAME} PUBLIC QT_NO_KEYWORDS)
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
  vantor_warnings(${ARG_NAME})
endfunction()

# vantor_tests(NAME name DEPS libs... [PLAIN]): one test program from tests/*.cpp.
# PLAIN tests use GoogleTest's own main instead of the one that creates the QApplication.
function(vantor_tests)
  if(NOT VANTOR_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "PLAIN" "NAME" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h)
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
