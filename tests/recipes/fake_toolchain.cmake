# Stands in for the TriCore toolchain: counts its runs in RUNS, writes the
# sample log and fails while the file FAIL exists.
file(APPEND "${RUNS}" "run\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${SAMPLE}")
if(EXISTS "${FAIL}")
  if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.29)
    cmake_language(EXIT 3)
  endif()
  message(FATAL_ERROR "make: *** [Makefile:42: ecu_app.elf] Error 1")
endif()
