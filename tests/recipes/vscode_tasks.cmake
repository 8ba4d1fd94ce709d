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
# Not under the log's own name, which the task truncates.
set(sample sample.log)
file(COPY_FILE ${SAMPLE} ${WORK}/${sample})
file(COPY ${QUONVEL} DESTINATION ${WORK})

# One run of one task: `toolchainExit` is the stand-in's exit code, `quonvel`
# the name the command calls Quonvel by; `expected` is the task's exit code,
# "nonzero", and `lines` the output lines expected.
function(run task toolchainExit quonvel expected lines)
  string(JSON label GET "${json}" tasks ${task} label)
  if(SHELL STREQUAL "cmd")
    string(JSON command GET "${json}" tasks ${task} windows command)
    string(JSON shell GET "${json}" tasks ${task} windows options shell executable)
    string(JSON shellArgs GET "${json}" tasks ${task} windows options shell args)
    string(JSON arg0 GET "${shellArgs}" 0)
    string(JSON arg1 GET "${shellArgs}" 1)
    set(runner ${EMULATOR} ${shell} ${arg0} ${arg1})
    set(toolchain "cmd /d /c type ${sample} ^& exit ${toolchainExit}")
  else()
    string(JSON command GET "${json}" tasks ${task} command)
    set(runner ${CMAKE_COMMAND} -E env "PATH=${WORK}:$ENV{PATH}" bash -c)
    set(toolchain "(cat ${sample}; exit ${toolchainExit})")
  endif()
  string(REPLACE "make all" "${toolchain}" command "${command}")
  string(REPLACE "Quonvel --" "${quonvel} --" command "${command}")
  execute_process(COMMAND ${runner} "${command}" WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 120)
  lines_of("${output}" output)
  set(what "${label}, ${SHELL}, toolchain exit ${toolchainExit}, ${quonvel}")
  set(problems)
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
# cmd cannot pass the toolchain's exit code on.
set(toolchainFailed 2)
if(SHELL STREQUAL "cmd")
  set(toolchainFailed nonzero)
endif()

run(0 0 Quonvel 0 "${fileLines}")
run(0 2 Quonvel ${toolchainFailed} "${fileLines}")
run(0 0 no-such-Quonvel nonzero "")
if(SHELL STREQUAL "cmd")
  # The live task refuses to run under cmd.
  run(1 0 Quonvel nonzero "^The live TriCore task needs bash or zsh")
else()
  run(1 0 Quonvel 0 "${liveLines}")
  run(1 2 Quonvel 2 "${liveLines}")
  run(1 0 no-such-Quonvel nonzero "")
endif()
