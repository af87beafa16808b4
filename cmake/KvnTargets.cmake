# Warning flags for the project's own code (never applied to third-party headers,
# which are all included as SYSTEM).
function(kvn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
    # Designated initializers leave members to their defaults on purpose.
    -Wno-missing-field-initializers)
  if(KVN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The product's own code: the warnings, and in the sanitizer build the
# sanitizers. Test code and test fixtures take kvn_warnings only.
function(kvn_own_code target)
  kvn_warnings(${target})
  if(KVN_SANITIZE)
    target_compile_options(${target} PRIVATE ${KVN_SANITIZE_OPTIONS})
  endif()
endfunction()

# The core library is compiled once, as an object library that the build-time
# tools (tools/, resources/) link as well: they cannot link kvn_core itself,
# which embeds what they generate. The folders give their sources to kvn_core
# (target_sources(kvn_core ...)); once every folder is read (a deferred
# call at the end of the top CMakeLists.txt), kvn_split_core() moves them all
# but the generated resource table into kvn_core_objects, with kvn_core's
# compile settings and usage requirements, and kvn_core becomes those objects
# plus the resource table.
function(kvn_split_core)
  get_target_property(_sources kvn_core SOURCES)
  set(_generated ${_sources})
  list(FILTER _generated INCLUDE REGEX "/EmbeddedResources\\.cpp$")
  list(FILTER _sources EXCLUDE REGEX "/EmbeddedResources\\.cpp$")
  target_sources(kvn_core_objects PRIVATE ${_sources})
  foreach(_property INCLUDE_DIRECTORIES COMPILE_DEFINITIONS COMPILE_OPTIONS COMPILE_FEATURES)
    get_target_property(_value kvn_core ${_property})
    if(_value)
      set_property(TARGET kvn_core_objects APPEND PROPERTY ${_property} ${_value})
    endif()
  endforeach()
  foreach(_property INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS INTERFACE_COMPILE_OPTIONS
                    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES INTERFACE_LINK_LIBRARIES)
    get_target_property(_value kvn_core ${_property})
    if(_value)
      set_property(TARGET kvn_core_objects APPEND PROPERTY ${_property} ${_value})
    endif()
  endforeach()
  get_target_property(_libraries kvn_core INTERFACE_LINK_LIBRARIES)
  if(_libraries)
    set_property(TARGET kvn_core_objects APPEND PROPERTY LINK_LIBRARIES ${_libraries})
  endif()
  set_property(TARGET kvn_core PROPERTY SOURCES ${_generated} $<TARGET_OBJECTS:kvn_core_objects>)
endfunction()

# --- Unity groups --------------------------------------------------------------
# kvn_unity(<target>) compiles the target's sources in groups of up to eight
# files, each group one unit. scripts/unity-groups.py forms the groups so that
# no two files of a group define the same name of internal linkage (nor a
# macro, nor a using-directive). Groups are formed when CMake configures, which
# scripts/build.sh does on every build: a name added while iterating with
# `cmake --build` alone can clash until then (re-run cmake).
find_package(Python3 COMPONENTS Interpreter)
function(kvn_unity target)
  if(KVN_UNITY AND Python3_Interpreter_FOUND)
    set_property(GLOBAL APPEND PROPERTY KVN_UNITY_TARGETS ${target})
  endif()
endfunction()

function(kvn_unity_apply)
  get_property(_targets GLOBAL PROPERTY KVN_UNITY_TARGETS)
  if(NOT _targets)
    return()
  endif()
  set(_listing "")
  foreach(_target ${_targets})
    get_target_property(_sources ${_target} SOURCES)
    get_target_property(_dir ${_target} SOURCE_DIR)
    foreach(_source ${_sources})
      if(_source MATCHES "\\.cpp$" AND NOT _source MATCHES "^\\$<")
        if(NOT IS_ABSOLUTE "${_source}")
          set(_source "${_dir}/${_source}")
        endif()
        # Generated sources are compiled alone: they exist only after the
        # first build, and grouping them then would re-form the groups of
        # their target (and compile it all again) on the next configure.
        string(FIND "${_source}" "${CMAKE_BINARY_DIR}/" _in_build)
        if(EXISTS "${_source}" AND NOT _in_build EQUAL 0)
          string(APPEND _listing "${_target}\t${_source}\n")
        endif()
      endif()
    endforeach()
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/unity-sources.txt "${_listing}")
  execute_process(COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/unity-groups.py
                          ${CMAKE_BINARY_DIR}/unity-sources.txt ${CMAKE_BINARY_DIR}/unity-groups.txt
                  RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(WARNING "unity groups not formed; every file is compiled alone")
    return()
  endif()
  # Our own unit files, which include their members by their path in the
  # project (found through the project's include directory): CMake's own
  # name them by absolute path, which no compiler cache can share between
  # two clones. A file with compile settings of its own is compiled alone.
  file(STRINGS ${CMAKE_BINARY_DIR}/unity-groups.txt _lines)
  set(_units "")
  foreach(_line ${_lines})
    string(REPLACE "\t" ";" _parts "${_line}")
    list(GET _parts 0 _target)
    list(GET _parts 1 _source)
    list(GET _parts 2 _group)
    set(_own "")
    foreach(_property COMPILE_DEFINITIONS COMPILE_OPTIONS COMPILE_FLAGS INCLUDE_DIRECTORIES)
      get_source_file_property(_value ${_source} TARGET_DIRECTORY ${_target} ${_property})
      if(_value)
        set(_own 1)
      endif()
    endforeach()
    if(_own)
      continue()
    endif()
    set(_unit "${_target}/${_group}")
    if(NOT DEFINED _members_${_target}_${_group})
      list(APPEND _units ${_unit})
      set(_members_${_target}_${_group} "")
    endif()
    list(APPEND _members_${_target}_${_group} ${_source})
  endforeach()
  foreach(_unit ${_units})
    string(REPLACE "/" ";" _parts "${_unit}")
    list(GET _parts 0 _target)
    list(GET _parts 1 _group)
    set(_members ${_members_${_target}_${_group}})
    list(LENGTH _members _count)
    if(_count LESS 2)
      continue()
    endif()
    set(_content "// One compile unit of ${_target} (cmake/KvnTargets.cmake, kvn_unity).\n")
    foreach(_source ${_members})
      file(RELATIVE_PATH _relative ${PROJECT_SOURCE_DIR} ${_source})
      string(APPEND _content "#include \"${_relative}\"\n")
    endforeach()
    set(_file ${CMAKE_BINARY_DIR}/unity/${_target}/${_group}.cpp)
    # Written only when it changes, so that a configure rebuilds nothing.
    file(CONFIGURE OUTPUT ${_file} CONTENT "${_content}" @ONLY)
    target_sources(${_target} PRIVATE ${_file})
    set_source_files_properties(${_members} TARGET_DIRECTORY ${_target} PROPERTIES HEADER_FILE_ONLY ON)
  endforeach()
endfunction()

# --- Test programs -----------------------------------------------------------
# Compiling tests is most of the build, and most of a test file's compile time
# is spent parsing headers. So every test program
#  - reuses one precompiled header (GoogleTest, the standard library and the
#    project headers most tests include: tests/support/TestPch.h, and
#    tests/support/GuiTestPch.h for programs built against the toolkit, whose
#    flags differ);
#  - compiles its own sources without optimisation (test code runs in
#    moments either way; the product code it tests keeps its -O2/-O3), and
#    exactly alike in the release and the sanitizer build, which instruments
#    the product only: whichever build comes second takes the test code from
#    the compiler cache;
#  - links the skip report (tests/support/SkipReport.cpp), which prints one
#    line that CTest turns into "Skipped" when a test skipped and none failed.
set(KVN_TEST_SKIP_REGEX "kvn-test: [0-9]+ skipped, none failed")

# The optimisation of test code in optimised builds: none, which compiles a
# unit of tests a third faster than -O1 (the render tests, whose reference
# rasterisers loop in test code, run half as fast again; the rest as fast).
# GCC 12 reports out-of-bounds copies inside std::string's concatenation at
# -O1 that cannot happen (its bugs 105651, 105329 and kin): the two warnings
# are off for test code only.
set(KVN_TEST_OPTIMIZE "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-O0;-Wno-array-bounds;-Wno-stringop-overflow>")

# kvn_test_compile_options(<target>): the compile options of test code.
function(kvn_test_compile_options target)
  kvn_warnings(${target})
  # A precompiled header that cannot be used makes a slow build, not a broken one.
  target_compile_options(${target} PRIVATE "${KVN_TEST_OPTIMIZE}" -Wno-error=invalid-pch)
  # GCC 12 finds "maybe uninitialized" copies inside the standard library once
  # several test files are inlined into one another (unity groups); it is
  # never a finding in our own code there.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
endfunction()

# kvn_test_code(<target> <core|gui>): the compile settings of a test program
# or test library: the options above, the precompiled header of its kind and
# the skip report.
function(kvn_test_code target flavour)
  kvn_test_compile_options(${target})
  target_precompile_headers(${target} REUSE_FROM kvn_testbase_${flavour})
  target_link_libraries(${target} PRIVATE kvn_testbase_${flavour})
endfunction()

# The cups-pdf queues the test CUPS fixture (tests/print/cupsd-fixture.sh)
# adds for this build: named after the build folder, so that the suites of
# two builds or two checkouts print side by side on the shared server. The
# A4 queue is also the default destination of every test program (LPDEST).
string(SHA1 _kvn_build_hash "${PROJECT_BINARY_DIR}")
string(SUBSTRING "${_kvn_build_hash}" 0 8 _kvn_build_hash)
set(KVN_CUPS_TEST_QUEUE "TEST_${_kvn_build_hash}")
set(KVN_CUPS_LETTER_QUEUE "LETTER_${_kvn_build_hash}")

# kvn_test_properties(<test>): what every GoogleTest program's CTest entry has.
function(kvn_test_properties test)
  set_tests_properties(${test} PROPERTIES SKIP_REGULAR_EXPRESSION "${KVN_TEST_SKIP_REGEX}")
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
    "KVN_TESTDATA_DEFAULT=${PROJECT_SOURCE_DIR}/../shared/testdata"
    "KVN_CUPS_TEST_QUEUE=${KVN_CUPS_TEST_QUEUE}" "KVN_CUPS_LETTER_QUEUE=${KVN_CUPS_LETTER_QUEUE}"
    "LPDEST=${KVN_CUPS_TEST_QUEUE}")
endfunction()

# kvn_test(<name> SOURCES ... [LIBS ...]): one GoogleTest executable registered with CTest.
# Tests find the public sample drawings through KVN_TESTDATA. Programs that
# link the GUI library or the toolkit use the toolkit's precompiled header.
function(kvn_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:kvn_alloc>)
  set(_flavour core)
  if("kvn_gui" IN_LIST T_LIBS OR "kvn::wx" IN_LIST T_LIBS)
    set(_flavour gui)
  endif()
  kvn_test_code(${name} ${_flavour})
  target_link_libraries(${name} PRIVATE kvn_core kvn_testsupport GTest::gtest GTest::gtest_main ${T_LIBS})
  kvn_unity(${name})
  # Shuffled, with a new order each run (tests/support/ShuffleSeed.cpp prints
  # its seed): a test that leans on state an earlier test left fails.
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 --gtest_shuffle)
  kvn_test_properties(${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()
