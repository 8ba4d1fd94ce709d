# Runs the task of examples/vscode/tasks.json as VS Code would (its command
# and arguments, no shell), with a stand-in toolchain that writes the sample
# log: natively (sh stands in), or through EMULATOR, such as Wine (cmd stands
# in).
#
#   cmake -DTASKS=<tasks.json> -DSAMPLE=<sample log> -DGOLDEN=<msbuild golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> [-DEMULATOR=<list>] -P vscode_tasks.cmake
# The emulator's list arrives with its semicolons escaped, as one argument.
string(REPLACE "\\;" ";" EMULATOR "${EMULATOR}")
file(READ ${TASKS} json)
# Comments stand on lines of their own in the recipe.
string(REGEX REPLACE "(^|\n)[ \t]*//[^\n]*" "\\1" json "${json}")
# Lines as list items: semicolons, which would split them, spelled out.
function(lines_of text result)
  string(REPLACE "\r" "" text "${text}")
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()
file(READ ${GOLDEN} golden)
string(REPLACE "{log}" "tricore-build.log" golden "${golden}")
lines_of("${golden}" golden)
file(READ ${SAMPLE} sample)
lines_of("${sample}" sample)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# What the stand-in toolchain prints: the sample, or a failure that holds no
# diagnostic. Not under the log's own name, which the task writes.
file(COPY_FILE ${SAMPLE} ${WORK}/sample.log)
file(WRITE ${WORK}/nothing.log "make: *** No rule to make target 'all'.  Stop.\n")
file(COPY ${QUONVEL} DESTINATION ${WORK})
get_filename_component(quonvel ${QUONVEL} NAME)

string(JSON label GET "${json}" tasks 0 label)
string(JSON type GET "${json}" tasks 0 type)
string(JSON command GET "${json}" tasks 0 command)
string(JSON count LENGTH "${json}" tasks 0 args)
set(args "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON arg GET "${json}" tasks 0 args ${i})
  list(APPEND args "${arg}")
endforeach()
if(NOT type STREQUAL "process" OR NOT command STREQUAL "Quonvel" OR NOT args MATCHES ";--;make;all$")
  message(FATAL_ERROR "${label}: not a process task that runs Quonvel -- make all")
endif()

# One run: the stand-in prints `printed` and exits with `toolchainExit`; the
# task must exit with the same code, write `lines` (exact texts) to standard
# output, `errors` (a pattern) to standard error, and keep every byte printed
# in tricore-build.log.
function(run printed toolchainExit lines errors)
  if(EMULATOR)
    set(toolchain cmd /c "type ${printed} & exit ${toolchainExit}")
  else()
    set(toolchain sh -c "cat ${printed} && exit ${toolchainExit}")
  endif()
  list(FIND args "--" end)
  list(SUBLIST args 0 ${end} taskArgs)
  file(REMOVE ${WORK}/tricore-build.log)
  execute_process(COMMAND ${EMULATOR} ${WORK}/${quonvel} ${taskArgs} -- ${toolchain} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE stderr TIMEOUT 120)
  lines_of("${output}" output)
  set(what "${label}, ${printed}, toolchain exit ${toolchainExit}")
  set(problems "")
  file(SHA256 ${WORK}/${printed} printedHash)
  set(logHash "no log")
  if(EXISTS ${WORK}/tricore-build.log)
    file(SHA256 ${WORK}/tricore-build.log logHash)
  endif()
  if(NOT logHash STREQUAL printedHash)
    string(APPEND problems " tricore-build.log is not what the toolchain printed;")
  endif()
  if(NOT result STREQUAL toolchainExit)
    string(APPEND problems " exit status ${result}, expected ${toolchainExit};")
  endif()
  if(NOT output STREQUAL lines)
    string(REPLACE ";" "\n  " lines "${lines}")
    string(APPEND problems " standard output is not, in this order:\n  ${lines}\n")
  endif()
  if(NOT stderr MATCHES "${errors}")
    string(APPEND problems " standard error does not match \"${errors}\";")
  endif()
  if(problems)
    string(REPLACE ";" "\n" output "${output}")
    message(SEND_ERROR "${what}:${problems}\n${output}\n${stderr}")
  else()
    message(STATUS "${what}: ok")
  endif()
endfunction()

# The whole build in the terminal, in order: each diagnostic of the sample
# (a C++ one with its excerpt line) replaced by its golden line.
set(build "")
set(excerpt FALSE)
foreach(line IN LISTS sample)
  if(excerpt)
    set(excerpt FALSE)
  elseif(line MATCHES "^([a-z]+) [EFW][0-9]+:")
    list(POP_FRONT golden diagnostic)
    list(APPEND build "${diagnostic}")
    if(CMAKE_MATCH_1 STREQUAL "cptc")
      set(excerpt TRUE)
    endif()
  else()
    list(APPEND build "${line}")
  endif()
endforeach()

run(sample.log 0 "${build}" "^$")
run(sample.log 2 "${build}" "^$")
# A failure without a diagnostic is named on standard error.
run(nothing.log 2 "make: *** No rule to make target 'all'.  Stop." "exited with code 2")
