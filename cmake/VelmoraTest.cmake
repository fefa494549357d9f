# add_velmora_test(<target> SOURCES ... [LIBRARIES ...] [DEFINITIONS ...]
#                  [OWN_MAIN] [LAUNCHER <script>] [DISCOVERY ...])
# One GoogleTest executable of the project: its sources and libraries, the
# project's warnings, GoogleTest's main unless it brings its own, and the
# discovery of its tests (DISCOVERY: further gtest_discover_tests arguments).
# LAUNCHER runs the executable, for its discovery too (a display, say).
function(add_velmora_test target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OWN_MAIN" "LAUNCHER" "SOURCES;LIBRARIES;DEFINITIONS;DISCOVERY")
  add_executable(${target} ${arg_SOURCES})
  if(arg_OWN_MAIN)
    set(main GTest::gtest)
  else()
    set(main GTest::gtest_main)
  endif()
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} ${main} velmora_warnings)
  if(arg_DEFINITIONS)
    target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
  endif()
  if(arg_LAUNCHER)
    # Read by the discovery when it is set up, so it is set before.
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${arg_LAUNCHER})
  endif()
  gtest_discover_tests(${target} ${arg_DISCOVERY})
endfunction()
