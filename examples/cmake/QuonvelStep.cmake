# Runs one TriCore toolchain step and shows its diagnostics through Quonvel.
#
#   cmake -DQUONVEL=<Quonvel executable> -DLOG=<log file> [-DFORMAT=msbuild] [-DLIVE=ON]
#         -P QuonvelStep.cmake -- <toolchain command> [arguments...]
#
# The toolchain's output goes into LOG (standard output and standard error
# both), then Quonvel converts LOG. With LIVE the toolchain's standard output
# is piped into Quonvel instead, which prints each diagnostic as it arrives;
# its standard error then passes by Quonvel, unconverted, and no log is kept.
# Quonvel's lines go to standard output, where the build tool and the IDE read
# them. The step fails when the toolchain or Quonvel fails: with the
# toolchain's own exit code on CMake 3.29 and later, with 1 before.
if(NOT DEFINED FORMAT)
  set(FORMAT msbuild)
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
if(NOT command OR NOT DEFINED QUONVEL OR NOT LOG)
  message(FATAL_ERROR "usage: cmake -DQUONVEL=<exe> -DLOG=<file> -P QuonvelStep.cmake -- <command...>")
endif()
# Checked before the toolchain runs: a build that cannot show its diagnostics
# is not worth waiting for.
if(NOT QUONVEL OR NOT EXISTS "${QUONVEL}" OR IS_DIRECTORY "${QUONVEL}")
  message(FATAL_ERROR "Quonvel not found (\"${QUONVEL}\"): put it on PATH and configure "
                      "again, or set QUONVEL_EXECUTABLE to its path.")
endif()

set(quonvel "${QUONVEL}" --TypCC=TriCore "--Format=${FORMAT}")
if(LIVE)
  execute_process(COMMAND ${command} COMMAND ${quonvel} --InputFile=-
    RESULTS_VARIABLE results)
  list(GET results 0 toolchainResult)
  list(GET results 1 quonvelResult)
else()
  execute_process(COMMAND ${command} OUTPUT_FILE "${LOG}" ERROR_FILE "${LOG}"
    RESULT_VARIABLE toolchainResult)
  execute_process(COMMAND ${quonvel} "--InputFile=${LOG}" RESULT_VARIABLE quonvelResult)
endif()

set(input "${LOG}")
set(where "its output is in ${LOG}")
if(LIVE)
  set(input "the toolchain's output")
  set(where "its diagnostics are above")
endif()
if(NOT toolchainResult MATCHES "^-?[0-9]+$")
  string(JOIN " " shown ${command})
  message(FATAL_ERROR "The TriCore toolchain did not run (${toolchainResult}): ${shown}")
endif()
if(NOT quonvelResult MATCHES "^-?[0-9]+$")
  message(FATAL_ERROR "Quonvel did not run (${quonvelResult}): ${QUONVEL}")
elseif(NOT quonvelResult EQUAL 0)
  message(SEND_ERROR "Quonvel failed (exit code ${quonvelResult}) on ${input}")
endif()
if(NOT toolchainResult EQUAL 0)
  message("The TriCore toolchain failed (exit code ${toolchainResult}); ${where}.")
  if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.29)
    cmake_language(EXIT ${toolchainResult})
  endif()
  message(FATAL_ERROR "TriCore step failed")
endif()
