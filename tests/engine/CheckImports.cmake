# cmake -DOBJDUMP=... -DPROGRAM=... -P CheckImports.cmake: fails when PROGRAM
# imports a window library.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${PROGRAM}")
endif()
string(TOLOWER "${dump}" dump)
string(REGEX MATCHALL "dll name: [^\n]+" imports "${dump}")
foreach(entry IN LISTS imports)
  if(entry MATCHES "(user32|gdi32|comctl32)\\.dll")
    message(FATAL_ERROR "${PROGRAM} imports ${CMAKE_MATCH_1}.dll")
  endif()
endforeach()
message(STATUS "imports: ${imports}")
