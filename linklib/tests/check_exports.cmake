# Fails unless the shared library's dynamic symbol table defines exactly the
# names the version script exports.
#   cmake -DLIBRARY=<libmirell.so> -DEXPORT_MAP=<exports.map> -P check_exports.cmake
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(defined)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" name "${line}")
  list(APPEND defined ${name})
endforeach()

file(READ ${EXPORT_MAP} map)
string(REGEX REPLACE ".*global:(.*)local:.*" "\\1" globals "${map}")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" wanted "${globals}")

list(SORT defined)
list(SORT wanted)
list(LENGTH wanted count)
if(NOT count EQUAL 37)
  message(FATAL_ERROR "the export map names ${count} calls, not 37")
endif()
if(NOT defined STREQUAL wanted)
  message(FATAL_ERROR "exported:\n${defined}\nexpected:\n${wanted}")
endif()
message(STATUS "exactly the ${count} calls are exported")
