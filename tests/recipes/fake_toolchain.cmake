# Stands in for the TriCore toolchain: counts its runs in RUNS, writes the
# sample log and fails while the file FAIL exists. As a compiler (arguments
# after --), it also writes the files that -o and --dep-file= name.
#
#   cmake -DRUNS=<file> -DSAMPLE=<log> -DFAIL=<file> -P fake_toolchain.cmake [-- <arguments>]
file(APPEND "${RUNS}" "run\n")
execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${SAMPLE}")
set(out "")
set(dep "")
foreach(i RANGE ${CMAKE_ARGC})
  if(CMAKE_ARGV${i} MATCHES "^--dep-file=(.+)$")
    set(dep "${CMAKE_MATCH_1}")
  elseif(previous STREQUAL "-o")
    set(out "${CMAKE_ARGV${i}}")
    file(WRITE "${out}" "")
  endif()
  set(previous "${CMAKE_ARGV${i}}")
endforeach()
if(dep)
  file(WRITE "${dep}" "${out}:\n")
endif()
if(EXISTS "${FAIL}")
  if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.29)
    cmake_language(EXIT 3)
  endif()
  message(FATAL_ERROR "make: *** [Makefile:42: ecu_app.elf] Error 1")
endif()
