# One CTest entry per test suite of a GoogleTest program, found when CTest
# starts. A process per case costs a quarter of a second of start-up under the
# sanitizers (about three minutes of the test command's work over all cases);
# a suite shares one process and CTest still spreads the suites over the cores.
#   quiltor_suite_tests(<target> [ENVIRONMENT <var=value>...] [LABELS <label>...])
function(quiltor_suite_tests target)
  cmake_parse_arguments(ARG "" "" "ENVIRONMENT;LABELS" ${ARGN})
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  file(GENERATE OUTPUT "${script}" CONTENT "
set(program [=[$<TARGET_FILE:${target}>]=])
set(environment [=[${ARG_ENVIRONMENT}]=])
set(labels [=[${ARG_LABELS}]=])
execute_process(COMMAND [=[${CMAKE_COMMAND}]=] -E env \${environment} \"\${program}\" --gtest_list_tests
  OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
  # A program that cannot list its cases fails as a test of its own.
  add_test([=[${target}]=] \"\${program}\" --gtest_list_tests)
  return()
endif()
string(REPLACE \"\\n\" \";\" lines \"\${listing}\")
foreach(line IN LISTS lines)
  # Suite lines start at the margin and end in '.', then perhaps a comment.
  if(line MATCHES \"^([^ #]+)\\\\.( |$)\")
    set(name \"${target}/\${CMAKE_MATCH_1}\")
    add_test(\"\${name}\" \"\${program}\" \"--gtest_filter=\${CMAKE_MATCH_1}.*\")
    set_tests_properties(\"\${name}\" PROPERTIES ENVIRONMENT \"\${environment}\")
    if(labels)
      set_tests_properties(\"\${name}\" PROPERTIES LABELS \"\${labels}\")
    endif()
  endif()
endforeach()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
