# Shared by the recipe tests that build a project.

# Build tools run a step again only for an input strictly newer than its
# outputs, and file systems keep times in steps (4 ms on some, 2 s on FAT): a
# source changed within the step of a build's last output looks unchanged.
# Called right after a build, this returns once the clock has moved past
# every file the build wrote, so that whatever the test changes next is newer.
function(wait_past_build marker)
  file(TOUCH "${marker}")
  set(probe "${marker}.probe")
  file(TOUCH "${probe}")
  # True while the two times are equal, too.
  while("${marker}" IS_NEWER_THAN "${probe}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.005)
    file(TOUCH "${probe}")
  endwhile()
endfunction()

# Checks one build.
#
# `what` names the build; `result` and `output` are what the build tool
# returned and printed; `runs` is the file the stand-in toolchain adds a line
# to on each run. The build must have had `outcome` ("passes" or "fails"),
# the toolchain must have run `expectedRuns` times so far, and the output
# must hold every pattern of `shown` and none of `hidden`.
function(check_build what result output runs outcome expectedRuns shown hidden)
  set(got fails)
  if(result EQUAL 0)
    set(got passes)
  endif()
  set(count 0)
  if(EXISTS "${runs}")
    file(STRINGS "${runs}" lines)
    list(LENGTH lines count)
  endif()
  set(problems)
  if(NOT got STREQUAL outcome)
    string(APPEND problems " the build ${got};")
  endif()
  if(NOT count EQUAL expectedRuns)
    string(APPEND problems " ${count} toolchain runs, not ${expectedRuns};")
  endif()
  foreach(pattern IN LISTS shown)
    if(NOT output MATCHES "${pattern}")
      string(APPEND problems " no \"${pattern}\";")
    endif()
  endforeach()
  foreach(pattern IN LISTS hidden)
    if(output MATCHES "${pattern}")
      string(APPEND problems " \"${pattern}\" shown;")
    endif()
  endforeach()
  if(problems)
    message(SEND_ERROR "${what}:${problems}\n${output}")
  else()
    message(STATUS "${what}: ok")
  endif()
endfunction()
