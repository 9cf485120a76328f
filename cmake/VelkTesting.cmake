# One helper per kind of test.
include(GoogleTest)

# velk_add_gtest(<name> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest executable whose cases CTest runs one by one.
function(velk_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300)
endfunction()

# velk_add_fuzzer(<name> SOURCES ... LIBS ... [SECONDS n] [CORPUS dir])
# A libFuzzer target; CTest runs it for a short, fixed time from its seed corpus.
# The LIBS get coverage instrumentation too, so that libFuzzer is guided by the
# code under test and not by the harness alone. Their other users (tests,
# programs) link no libFuzzer: the sanitizer runtime takes the callbacks.
function(velk_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SECONDS;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT VELK_FUZZ)
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 30)
  endif()
  foreach(lib IN LISTS ARG_LIBS)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
  endforeach()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            $<TARGET_FILE:${name}> -max_total_time=${ARG_SECONDS} -print_final_stats=1
            -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${name}- ${work} ${ARG_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
  file(MAKE_DIRECTORY ${work})
endfunction()

# velk_add_qt_gtest(<name> SOURCES ... LIBS ... [LABELS ...])
# A GoogleTest executable for widgets and Qt objects: LIBS must bring a main
# that creates the application object. Runs on the offscreen platform.
function(velk_add_qt_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()
