# Helpers shared by every module's CMakeLists.txt.

# zuvo_shared_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A shared library whose public headers live in <folder>/include, installed
# into the program's private library directory (lib/zuvo), where it finds
# the others beside itself.
function(zuvo_shared_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  set_target_properties(${name} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${name} LIBRARY DESTINATION ${ZUVO_INSTALL_PRIVATE_LIBDIR})
endfunction()

# zuvo_module_tests(<name> [LIBS ...] [LABELS ...])
# One GoogleTest executable from every tests/*.cpp of the current folder;
# each test case becomes its own CTest test. Tests run with the folder's
# tests/ directory as ZUVO_TEST_DATA and a scratch directory of their own.
function(zuvo_module_tests name)
  if(NOT ZUVO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS;LABELS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT test_sources)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${test_sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zuvo_test_support GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    ZUVO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/tests"
    ZUVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZUVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# zuvo_part_tests(<name> <library> [JOBS] [QT] [XVFB [WINDOW_MANAGER]])
# Called from zuvo/<part>/tests/CMakeLists.txt (or qt/tests): builds the
# folder's *.cpp against the program's logic or Qt library; with JOBS also
# the tests of the part's job folders on that side (<part>/<job>/tests, or
# <part>/<job>/qt/tests with QT or XVFB, as zuvo/CMakeLists.txt lists them). With QT the
# tests run on Qt's offscreen platform; with XVFB they run in real windows,
# each test program on a private X server of its own (tests/support/bin/
# xvfb-suite), and save their screenshots under <build>/screenshots/<name>;
# with WINDOW_MANAGER too, that server has a window manager (openbox).
function(zuvo_part_tests name library)
  if(NOT ZUVO_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "JOBS;QT;XVFB;WINDOW_MANAGER" "TIMEOUT" "" ${ARGN})
  set(test_globs ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(ARG_JOBS)
    if(ARG_QT OR ARG_XVFB)
      set(job_folders ${ZUVO_PART_JOB_QT_TESTS})
    else()
      set(job_folders ${ZUVO_PART_JOB_TESTS})
    endif()
    foreach(folder IN LISTS job_folders)
      list(APPEND test_globs ${folder}/*.cpp)
    endforeach()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS ${test_globs})
  if(NOT test_sources)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  add_executable(${name} ${test_sources})
  target_link_libraries(${name} PRIVATE ${library} zuvo_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    ZUVO_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}"
    ZUVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZUVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(env "")
  if(ARG_XVFB)
    set(emulator ${CMAKE_SOURCE_DIR}/tests/support/bin/xvfb-suite)
    if(ARG_WINDOW_MANAGER)
      list(APPEND emulator --window-manager)
    endif()
    set_target_properties(${name} PROPERTIES AUTOMOC ON CROSSCOMPILING_EMULATOR "${emulator}")
    set(env "ZUVO_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots/${name}")
  elseif(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# zuvo_bench(<name> SOURCES ... [LIBS ...] [SMOKE_ARGS ...])
# A benchmark program in bench/<name>/, built with the tree into bin/. It
# prints its table when run by hand; CTest runs it once with SMOKE_ARGS (a
# small case) as a smoke test labelled "bench", which fails only on a wrong
# result or a crash, never on time. bench/support holds what the programs
# share.
function(zuvo_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;SMOKE_ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/support)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    ZUVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ZUVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(ZUVO_BUILD_TESTS)
    add_test(NAME bench.${name} COMMAND ${name} ${ARG_SMOKE_ARGS}
             WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(bench.${name} PROPERTIES LABELS bench TIMEOUT 600)
  endif()
endfunction()
