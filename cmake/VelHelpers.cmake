# Project-wide build helpers: one call per library, program, test or benchmark,
# so that warnings, sanitizers and include paths are set in one place.

set(VEL_WARNINGS -Wall -Wextra -Wshadow -Wno-unused-parameter)
if(VEL_WERROR)
  list(APPEND VEL_WARNINGS -Werror)
endif()

if(VEL_SANITIZE)
  add_compile_options(-fsanitize=${VEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${VEL_SANITIZE})
endif()

# vel_add_library(name [SHARED|STATIC] SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# A library's folder is its public include root; the repository root is on
# the include path too, so headers are included as "platform/base/Strings.h".
function(vel_add_library name)
  cmake_parse_arguments(ARG "SHARED;STATIC" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(${name} SHARED ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
  else()
    add_library(${name} STATIC ${ARG_SOURCES})
  endif()
  target_compile_options(${name} PRIVATE ${VEL_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# vel_add_program(name SOURCES ... [DEPS ...])
function(vel_add_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VEL_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# vel_add_test(name SOURCES ... [DEPS ...] [LABELS unit|integration|gui] [TIMEOUT s])
# One GoogleTest executable registered as one CTest test; each test runs in a
# fresh sandbox folder given through VEL_TEST_SANDBOX by the test fixture.
function(vel_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VEL_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} vel_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  set(test_env "VEL_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;VEL_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(VEL_SANITIZE MATCHES "address")
    # System libraries' process-lifetime caches are not this project's leaks.
    list(APPEND test_env "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${test_env}")
endfunction()

# vel_add_bench(name SOURCES ... [DEPS ...]); benchmarks never run as tests.
function(vel_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VEL_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
endfunction()

# vel_add_fuzzer(name SOURCES ... [DEPS ...]); libFuzzer entry points.
function(vel_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -g)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
