# Warning flags for the project's own code (never applied to third-party headers,
# which are all included as SYSTEM).
function(kvn_own_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    # Designated initializers leave members to their defaults on purpose.
    -Wno-missing-field-initializers)
  if(KVN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kvn_test(<name> SOURCES ... [LIBS ...]): one GoogleTest executable registered with CTest.
# Tests find the public sample drawings through KVN_TESTDATA.
function(kvn_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:kvn_alloc>)
  kvn_own_code(${name})
  target_link_libraries(${name} PRIVATE kvn_core kvn_testsupport GTest::gtest GTest::gtest_main ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "KVN_TESTDATA_DEFAULT=${PROJECT_SOURCE_DIR}/../shared/testdata"
    TIMEOUT 900)
endfunction()
