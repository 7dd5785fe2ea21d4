# Writes the export list of orvfw.dll: every external symbol that the layers'
# archives define in the namespace fw (functions, data, virtual tables, type
# information and thunks of the framework's own classes) and nothing else:
# not the instantiations of standard-library templates that the objects carry
# too (every user makes its own), not the interface identifiers of the
# platform's uuid library, not the window and timer procedures (stdcall).
#   cmake -DNM=<nm> -DOUTPUT=<file.def> -DARCHIVES=<a.a;b.a> -P exports.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${NM} -g --defined-only --format=posix ${ARCHIVES}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on ${ARCHIVES}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
  # "<name> <type> <value> <size>"; i686 names carry one more leading underscore.
  if(line MATCHES "_GLOBAL__N")
    continue()  # an anonymous namespace: nobody outside may call it
  endif()
  if(line MATCHES "^_(_Z(TV|TI|TS|TT|Th[n0-9]+_|Tv[n0-9_]+)?NK?2fw[^ @]*) ([A-Z]) ")
    if(CMAKE_MATCH_3 STREQUAL "T")
      list(APPEND names ${CMAKE_MATCH_1})
    else()
      # Data (Application, virtual tables, type information): users reach
      # it through the import address, never through a code thunk, whose
      # address they would otherwise take for the object's.
      list(APPEND names "${CMAKE_MATCH_1} DATA")
    endif()
  endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "no symbol of the namespace fw in ${ARCHIVES}")
endif()
list(JOIN names "\n  " body)
file(WRITE ${OUTPUT}.new "LIBRARY orvfw.dll\nEXPORTS\n  ${body}\n")
# Rewritten only when it changed, so that an unchanged list links nothing anew.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
