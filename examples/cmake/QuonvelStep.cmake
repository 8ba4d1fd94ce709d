# Runs one TriCore toolchain step and shows its diagnostics through Quonvel.
#
#   cmake -DQUONVEL=<Quonvel executable> -DLOG=<log file> [-DFORMAT=msvc]
#         -P QuonvelStep.cmake -- <toolchain command> [arguments...]
#
# The toolchain's output goes into LOG (standard output and standard error
# both); Quonvel's lines go to standard output, where the build tool and the
# IDE read them. The step fails when the toolchain or Quonvel fails.
if(NOT DEFINED FORMAT)
  set(FORMAT msvc)
endif()

set(command)
set(afterSeparator FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(afterSeparator)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(afterSeparator TRUE)
  endif()
endforeach()
if(NOT command OR NOT QUONVEL OR NOT LOG)
  message(FATAL_ERROR "usage: cmake -DQUONVEL=<exe> -DLOG=<file> -P QuonvelStep.cmake -- <command...>")
endif()

execute_process(COMMAND ${command} OUTPUT_FILE "${LOG}" ERROR_FILE "${LOG}"
  RESULT_VARIABLE toolchainResult)
execute_process(COMMAND "${QUONVEL}" "--InputFile=${LOG}" --TypCC=TriCore "--Format=${FORMAT}"
  RESULT_VARIABLE quonvelResult)
if(NOT quonvelResult EQUAL 0)
  message(FATAL_ERROR "Quonvel failed (${quonvelResult}) on ${LOG}")
endif()
if(NOT toolchainResult EQUAL 0)
  message(FATAL_ERROR "The TriCore step failed (${toolchainResult}); its output is in ${LOG}")
endif()
