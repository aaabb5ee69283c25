# Compiles the replay and the recording grammar against altered copies of
# the action list (src/reading/xob_action_list.h), found ahead of the real
# one on the include path: the list as it is must compile, and an entry
# whose function does not exist, or whose value count is wrong, must not.
#
# cmake -DCXX=... -DSOURCE_DIR=... -DGEN_DIR=... -DINCLUDES=a|b -DWORK=... -P check_action_list.cmake
string(REPLACE "|" ";" include_list "${INCLUDES}")
set(include_flags "")
foreach(dir IN LISTS include_list)
  if(dir)
    list(APPEND include_flags "-I${dir}")
  endif()
endforeach()
file(READ "${SOURCE_DIR}/src/reading/xob_action_list.h" list_text)
set(failures 0)

# check(<variant> <altered list text> <source> <extra flag> <expect: compiles|fails>)
function(check variant text source flag expect)
  set(dir "${WORK}/${variant}")
  file(WRITE "${dir}/reading/xob_action_list.h" "${text}")
  execute_process(
    COMMAND ${CXX} -std=c++17 -fsyntax-only ${flag} -I${dir} ${include_flags} ${source}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  get_filename_component(name ${source} NAME)
  if(expect STREQUAL "compiles" AND NOT status EQUAL 0)
    message("${variant}: ${name} should compile:\n${output}")
    math(EXPR failures "${failures} + 1")
  elseif(expect STREQUAL "fails" AND status EQUAL 0)
    message("${variant}: ${name} should not compile")
    math(EXPR failures "${failures} + 1")
  else()
    message("${variant}: ${name} ${expect}, as it should")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

set(replay "${SOURCE_DIR}/src/reading/xob_replay.cpp")
set(grammar "${GEN_DIR}/xobrec_grammar.cpp")

string(REPLACE "    A(TRAP, act_trap, 4, true, NO_FETCH, 0, 0)"
       "    A(TRAP, act_trap, 4, true, NO_FETCH, 0, 0) A(NEW_ELEMENT, act_new_element, 2, true, NO_FETCH, 0, 0)"
       missing_function "${list_text}")
string(REPLACE "A(DEFINE, act_define, 7," "A(DEFINE, act_define, 6," wrong_count "${list_text}")
if(missing_function STREQUAL list_text OR wrong_count STREQUAL list_text)
  message(FATAL_ERROR "the entries this check alters are no longer in the action list")
endif()

check(as_is "${list_text}" ${replay} "" compiles)
check(as_is "${list_text}" ${grammar} -DXOB_RECORDING compiles)
check(missing_function "${missing_function}" ${replay} "" fails)
check(wrong_count "${wrong_count}" ${replay} "" fails)
check(wrong_count "${wrong_count}" ${grammar} -DXOB_RECORDING fails)

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} action list checks failed")
endif()
