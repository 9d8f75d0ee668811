# Compiles SOURCE (with the compiler COMPILER, the include folders INCLUDES
# separated by '|') and passes when the compiler refuses it with MESSAGE,
# EXPECTED times, and with no other error: the refusal a user sees is the
# library's, not what follows from it.
string(REPLACE "|" ";" include_list "${INCLUDES}")
set(flags -std=c++17 -fsyntax-only)
foreach(folder IN LISTS include_list)
  list(APPEND flags -I${folder})
endforeach()
execute_process(COMMAND ${COMPILER} ${flags} ${SOURCE} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status EQUAL 0)
  message(FATAL_ERROR "${SOURCE} compiled, and should not have")
endif()
string(REGEX MATCHALL "error: [^\n]*" errors "${out}")
list(LENGTH errors error_count)
string(REGEX MATCHALL "error: [^\n]*${MESSAGE}" ours "${out}")
list(LENGTH ours our_count)
if(NOT error_count EQUAL EXPECTED OR NOT our_count EQUAL EXPECTED)
  message(FATAL_ERROR "expected ${EXPECTED} errors, each saying '${MESSAGE}'; got ${error_count} errors, "
                      "${our_count} of them saying it:\n${out}")
endif()
