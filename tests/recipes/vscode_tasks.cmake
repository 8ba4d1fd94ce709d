# Runs the commands of examples/vscode/tasks.json as VS Code would, with a
# stand-in toolchain that writes the sample log: under bash (SHELL=bash) or
# under the Windows shell the tasks name (SHELL=cmd, through EMULATOR when
# given, such as Wine).
#
#   cmake -DTASKS=<tasks.json> -DSAMPLE=<sample log> -DGOLDEN=<msbuild golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> -DSHELL=bash|cmd [-DEMULATOR=<list>]
#         -P vscode_tasks.cmake
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
lines_of("${golden}" golden)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# What the stand-in toolchain prints: the sample, a failure that holds no
# diagnostic, or nothing. Not under the log's own name, which the task truncates.
file(COPY_FILE ${SAMPLE} ${WORK}/sample.log)
file(WRITE ${WORK}/nothing.log "make: *** No rule to make target 'all'.  Stop.\n")
file(WRITE ${WORK}/empty.log "")
file(COPY ${QUONVEL} DESTINATION ${WORK})

# One run of one task: the stand-in prints `printed` and exits with
# `toolchainExit`, `quonvel` is the name the command calls Quonvel by;
# `expected` is the task's exit code, "nonzero", and `lines` the output lines
# expected. Every task that runs the toolchain keeps what it printed in
# tricore-build.log.
function(run task printed toolchainExit quonvel expected lines)
  string(JSON label GET "${json}" tasks ${task} label)
  if(SHELL STREQUAL "cmd")
    string(JSON command GET "${json}" tasks ${task} windows command)
    string(JSON shell GET "${json}" tasks ${task} windows options shell executable)
    string(JSON shellArgs GET "${json}" tasks ${task} windows options shell args)
    string(JSON arg0 GET "${shellArgs}" 0)
    string(JSON arg1 GET "${shellArgs}" 1)
    set(runner ${EMULATOR} ${shell} ${arg0} ${arg1})
    set(toolchain "cmd /d /c type ${printed} ^& exit ${toolchainExit}")
  else()
    string(JSON command GET "${json}" tasks ${task} command)
    set(runner ${CMAKE_COMMAND} -E env "PATH=${WORK}:$ENV{PATH}" bash -c)
    set(toolchain "(cat ${printed}; exit ${toolchainExit})")
  endif()
  string(REPLACE "make all" "${toolchain}" command "${command}")
  string(REPLACE "Quonvel --" "${quonvel} --" command "${command}")
  file(REMOVE ${WORK}/tricore-build.log)
  execute_process(COMMAND ${runner} "${command}" WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 120)
  lines_of("${output}" output)
  set(what "${label}, ${SHELL}, ${printed}, toolchain exit ${toolchainExit}, ${quonvel}")
  set(problems)
  file(SHA256 ${WORK}/${printed} printedHash)
  set(logHash "no log")
  if(EXISTS ${WORK}/tricore-build.log)
    file(SHA256 ${WORK}/tricore-build.log logHash)
  endif()
  if(NOT logHash STREQUAL printedHash AND NOT command MATCHES "needs bash")
    string(APPEND problems " tricore-build.log is not what the toolchain printed;")
  endif()
  if(expected STREQUAL "nonzero" AND (result EQUAL 0 OR NOT result MATCHES "^-?[0-9]+$"))
    string(APPEND problems " exit status ${result}, expected a failure;")
  elseif(NOT expected STREQUAL "nonzero" AND NOT result STREQUAL expected)
    string(APPEND problems " exit status ${result}, expected ${expected};")
  endif()
  # Each diagnostic one line with its location (pattern), in log order,
  # and nothing else on standard output.
  list(LENGTH lines count)
  list(LENGTH output total)
  set(i 0)
  foreach(pattern IN LISTS lines)
    set(line "")
    if(i LESS total)
      list(GET output ${i} line)
    endif()
    if(NOT line MATCHES "${pattern}")
      string(APPEND problems " line ${i} is \"${line}\", expected \"${pattern}\";")
    endif()
    math(EXPR i "${i} + 1")
  endforeach()
  if(NOT total EQUAL count)
    string(APPEND problems " ${total} output lines, expected ${count};")
  endif()
  if(problems)
    message(SEND_ERROR "${what}:${problems}\n${output}\n${errors}")
  else()
    message(STATUS "${what}: ok")
  endif()
endfunction()

# The golden output, each line as a pattern, "{log}" standing for the log as
# Quonvel was given it (the location of diagnostics without a source file).
function(expected_lines log result)
  set(patterns)
  foreach(line IN LISTS golden)
    string(REGEX REPLACE "([][()|.*+?^$\\])" "\\\1" line "${line}")
    string(REPLACE "{log}" "${log}" line "${line}")
    list(APPEND patterns "^${line}$")
  endforeach()
  set(${result} "${patterns}" PARENT_SCOPE)
endfunction()
expected_lines("tricore-build\\.log" fileLines)
expected_lines("-" liveLines)
# A failure without a diagnostic: the end of the log under bash, the whole
# log under cmd, which cannot pass the toolchain's exit code on either.
set(toolchainFailed 2)
set(nothingLines
  "^The TriCore build failed \\(exit code 2\\) without a diagnostic<semicolon> the end of tricore-build\\.log:$"
  "^make: \\*\\*\\* No rule to make target 'all'\\.  Stop\\.$")
if(SHELL STREQUAL "cmd")
  set(toolchainFailed nonzero)
  set(nothingLines
    "^The TriCore build failed without a diagnostic<semicolon> tricore-build\\.log:$"
    "^make: \\*\\*\\* No rule to make target 'all'\\.  Stop\\.$")
endif()

run(0 sample.log 0 Quonvel 0 "${fileLines}")
run(0 sample.log 2 Quonvel ${toolchainFailed} "${fileLines}")
run(0 nothing.log 2 Quonvel ${toolchainFailed} "${nothingLines}")
run(0 sample.log 0 no-such-Quonvel nonzero "")
if(SHELL STREQUAL "cmd")
  # The live task refuses to run under cmd.
  run(1 sample.log 0 Quonvel nonzero "^The live TriCore task needs bash or zsh")
else()
  run(1 sample.log 0 Quonvel 0 "${liveLines}")
  run(1 sample.log 2 Quonvel 2 "${liveLines}")
  run(1 nothing.log 2 Quonvel 2 "${nothingLines}")
  # Nothing converted: Quonvel's own exit code. The toolchain prints
  # nothing, which the pipe to no Quonvel could not take.
  list(GET nothingLines 0 missingLine)
  string(REPLACE "exit code 2" "exit code 127" missingLine "${missingLine}")
  run(1 empty.log 0 no-such-Quonvel 127 "${missingLine}")
endif()
