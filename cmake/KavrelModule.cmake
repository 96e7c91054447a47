# Helpers shared by every module's CMakeLists.txt.

# Our own code builds without a single warning.
function(kavrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# kavrel_test(NAME SOURCES... [LIBS ...] [LABELS ...]): one GoogleTest executable of a
# module, each of its tests registered with CTest and run with KAVREL_HOME set to the
# build's data directory. (Discovered tests take one environment entry only: a second
# one would be split off at the list separator, so tests that need the source tree get
# it as a compile definition.) The label `threads` marks executables of tests that run
# threads against each other: the ThreadSanitizer build (preset tsan) runs those.
function(kavrel_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  kavrel_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  set(properties ENVIRONMENT "KAVREL_HOME=${KAVREL_BUILD_DATADIR}")
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# kavrel_benchmark(NAME SOURCES... [LIBS ...]): a Google Benchmark program (not run by the tests).
function(kavrel_benchmark name)
  if(NOT KAVREL_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  kavrel_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark Threads::Threads)
endfunction()

# kavrel_fuzz(NAME SOURCES... LIBS ... SEEDS dir-or-file...): a fuzz target (a source
# that defines LLVMFuzzerTestOneInput). In the ordinary build it is linked with a
# replay driver and registered as a test over its seeds plus bounded mutations;
# with KAVREL_FUZZ=ON (clang) it is a libFuzzer program for campaigns (scripts/fuzz).
option(KAVREL_FUZZ "Build fuzz targets as libFuzzer programs (needs clang)" OFF)
if(KAVREL_FUZZ)
  # Every library under a fuzz target carries coverage instrumentation, or libFuzzer
  # sees only the target's own source and finds nothing.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
function(kavrel_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(KAVREL_FUZZ)
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS}
      ${CMAKE_SOURCE_DIR}/platform/fuzz/replay_main.cpp)
    if(BUILD_TESTING)
      # Files a target's library writes (logs, state) go to a folder of its own.
      set(work ${CMAKE_CURRENT_BINARY_DIR}/fuzz-work/${name})
      file(MAKE_DIRECTORY ${work})
      add_test(NAME ${name} COMMAND ${name} --runs=3000 ${ARG_SEEDS} WORKING_DIRECTORY ${work})
    endif()
  endif()
  kavrel_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  # The list scripts/fuzz runs campaigns from: one "name|seed dir" line per target.
  list(JOIN ARG_SEEDS "," seeds)
  set_property(GLOBAL APPEND PROPERTY KAVREL_FUZZ_TARGETS "${name}|${seeds}")
  get_property(targets GLOBAL PROPERTY KAVREL_FUZZ_TARGETS)
  list(JOIN targets "\n" lines)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz_targets.txt "${lines}\n")
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt.
function(kavrel_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir ${children})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
