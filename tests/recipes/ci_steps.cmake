# What the CI recipes' tests share (github_workflow.cmake,
# azure_pipelines.cmake, gitlab_ci.cmake): a step's shell script read out of
# the recipe's YAML, run under bash as the CI runs it with a stand-in
# toolchain, and the diagnostics it wrote read back into records that are
# compared with the gcc golden's.
#
# A record is one diagnostic, "severity|tool code|file|line|column|text|excerpt".
# A layout that has no place for a field leaves it empty, in its records and
# in the golden's records they are compared with.

# The policies of the CMake the project needs: lists keep empty items, and a
# quoted argument is never taken for a variable's name.
cmake_minimum_required(VERSION 3.25)

# What Quonvel writes on standard error when the build failed without a
# diagnostic: the line that names the command (the stand-in's sh) and its
# exit code, then the build's last lines, here its only one (a pattern).
set(CI_FAILURE_REPORT "Quonvel: \"sh\" exited with code 2; its last lines:\nmake: \\*\\*\\* No rule to make target 'all'\\.  Stop\\.\n")

# Lines as list items, with the characters that lists take for themselves
# (semicolons, brackets, a backslash before the line end) spelled out;
# ci_unescape() gives a line back.
function(ci_lines text result)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "\\" "<backslash>" text "${text}")
  string(REPLACE "[" "<lbracket>" text "${text}")
  string(REPLACE "]" "<rbracket>" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()
function(ci_unescape text result)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "<backslash>" "\\" text "${text}")
  string(REPLACE "<lbracket>" "[" text "${text}")
  string(REPLACE "<rbracket>" "]" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The value at `path` (a list of steps down the document, as
# recipe_value.py takes them) of the recipe `file`, read by a YAML parser
# (PYTHON: an interpreter that has PyYAML).
function(ci_yaml file path result)
  execute_process(
    COMMAND ${PYTHON} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/recipe_value.py ${file} ${path}
    RESULT_VARIABLE status OUTPUT_VARIABLE value ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${err}")
  endif()
  set(${result} "${value}" PARENT_SCOPE)
endfunction()

# The values of the properties `names` (a list) in `text`, "name=value"
# items separated by `separator`, each after a "|" ("" for one not there).
function(ci_properties text separator names result)
  set(values "")
  foreach(name IN LISTS names)
    set(value "")
    if(text MATCHES "(^|${separator})${name}=([^${separator}]*)")
      set(value "${CMAKE_MATCH_2}")
    endif()
    string(APPEND values "|${value}")
  endforeach()
  set(${result} "${values}" PARENT_SCOPE)
endfunction()

# The records of the diagnostic lines in `output`, in ci_records: github
# annotations, azure issues and gcc lines (a gcc line that starts with a
# blank is the excerpt of the one before). Its other lines in ci_others.
# Both lists escaped as by ci_lines().
function(ci_read output)
  ci_lines("${output}" lines)
  set(records "")
  set(others "")
  foreach(line IN LISTS lines)
    ci_unescape("${line}" line)
    set(excerpt "")
    if(line MATCHES "^::(error|warning|notice) ([^:]*)::(.*)$")
      string(REPLACE "notice" "note" record "${CMAKE_MATCH_1}")
      ci_properties("${CMAKE_MATCH_2}" "," "title;file;line;col" properties)
      string(APPEND record "${properties}")
      set(text "${CMAKE_MATCH_3}")
    elseif(line MATCHES "^##vso\\[task\\.logissue ([^]]*)\\](.*)$")
      set(text "${CMAKE_MATCH_2}")
      ci_properties("${CMAKE_MATCH_1}" ";" "type;code;sourcepath;linenumber;columnnumber"
        properties)
      # code=ctcW505 is the tool and the letter and number, as title=ctc W505.
      string(REGEX REPLACE "^\\|([a-z]+)\\|([a-z]+)([A-Z])" "\\1|\\2 \\3" record "${properties}")
    elseif(line MATCHES "^([^: ][^:]*):([0-9]+):(([0-9]+):)? (error|warning|note): (.*) \\[([a-z]+ [A-Z][0-9]+)\\]$")
      set(record "${CMAKE_MATCH_5}|${CMAKE_MATCH_7}|${CMAKE_MATCH_1}|${CMAKE_MATCH_2}|${CMAKE_MATCH_4}")
      set(text "${CMAKE_MATCH_6}")
    elseif(records AND line MATCHES "^ (.*)$")
      list(POP_BACK records record)
      ci_lines("${CMAKE_MATCH_1}" excerpt)
      list(APPEND records "${record}${excerpt}")
      continue()
    else()
      ci_lines("${line}" line)
      list(APPEND others "${line}")
      continue()
    endif()
    # github and azure: the excerpt follows the text after an escaped LF.
    if(text MATCHES "^(.*)%0A(.*)$")
      set(text "${CMAKE_MATCH_1}")
      set(excerpt "${CMAKE_MATCH_2}")
    endif()
    ci_lines("${record}|${text}|${excerpt}" record)
    list(APPEND records "${record}")
  endforeach()
  set(ci_records "${records}" PARENT_SCOPE)
  set(ci_others "${others}" PARENT_SCOPE)
endfunction()

# The stand-in toolchain's output, in WORK: the sample log with the absolute
# Windows names a toolchain writes on a CI machine, under `root`
# (sample.log); the same with its errors made plain lines, its line numbers
# kept (warnings.log); a failure that holds no diagnostic (nothing.log). The
# golden's records, named as `root` makes them relative and the log's
# diagnostics at {log}, in ci_golden.
function(ci_toolchain_logs sample golden root)
  file(READ ${golden} text)
  ci_read("${text}")
  if(ci_others)
    message(FATAL_ERROR "${golden}: not read: ${ci_others}")
  endif()
  set(ci_golden "${ci_records}" PARENT_SCOPE)

  file(READ ${sample} text)
  foreach(record IN LISTS ci_records)
    string(REPLACE "|" ";" fields "${record}")
    list(GET fields 2 name)
    if(NOT name STREQUAL "{log}")
      ci_unescape("${name}" name)
      string(REPLACE "/" "\\" windows "${name}")
      string(REPLACE "[\"${name}\"" "[\"${root}\\${windows}\"" text "${text}")
    endif()
  endforeach()
  file(WRITE ${WORK}/sample.log "${text}")
  string(REGEX REPLACE "(^|\n)([a-z]+) ([EF][0-9]+):" "\\1\\2-\\3:" text "${text}")
  file(WRITE ${WORK}/warnings.log "${text}")
  file(WRITE ${WORK}/nothing.log "make: *** No rule to make target 'all'.  Stop.\n")
endfunction()

# The golden's records of `severities` (a regex) as a layout writes them: the
# log's diagnostics at `log` ("": no file and no line, as from standard
# input), without columns or excerpts where the layout has no place for them
# (`columns`, `excerpts`: TRUE or FALSE).
function(ci_expected severities log columns excerpts result)
  set(expected "")
  foreach(record IN LISTS ci_golden)
    string(REPLACE "|" ";" fields "${record}")
    list(GET fields 0 severity)
    list(GET fields 2 file)
    if(NOT severity MATCHES "^(${severities})$")
      continue()
    elseif(file STREQUAL "{log}" AND log STREQUAL "")
      list(REMOVE_AT fields 2 3)
      list(INSERT fields 2 "" "")
    elseif(file STREQUAL "{log}")
      list(REMOVE_AT fields 2)
      list(INSERT fields 2 "${log}")
    endif()
    if(NOT columns)
      list(REMOVE_AT fields 4)
      list(INSERT fields 4 "")
    endif()
    if(NOT excerpts)
      list(REMOVE_AT fields 6)
      list(APPEND fields "")
    endif()
    string(REPLACE ";" "|" record "${fields}")
    list(APPEND expected "${record}")
  endforeach()
  set(${result} "${expected}" PARENT_SCOPE)
endfunction()

# SEND_ERROR unless the lists `expected` and `actual` are equal.
function(ci_compare what expected actual)
  if(NOT expected STREQUAL actual)
    string(REPLACE ";" "\n  " expected "${expected}")
    string(REPLACE ";" "\n  " actual "${actual}")
    message(SEND_ERROR "${what}: expected\n  ${expected}\nbut got\n  ${actual}")
  endif()
endfunction()

# The --Summary line that counts `records` of the log `input`.
function(ci_summary records input result)
  set(error 0)
  set(warning 0)
  set(note 0)
  foreach(record IN LISTS records)
    string(REGEX MATCH "^[a-z]+" severity "${record}")
    math(EXPR ${severity} "${${severity}} + 1")
  endforeach()
  set(line "Quonvel:")
  foreach(severity error warning note)
    set(word ${severity})
    if(NOT ${severity} EQUAL 1)
      string(APPEND word "s")
    endif()
    string(APPEND line " ${${severity}} ${word},")
  endforeach()
  string(REGEX REPLACE ",$" " in ${input}\n" line "${line}")
  set(${result} "${line}" PARENT_SCOPE)
endfunction()

# Runs `script` in WORK under `shell` (bash and its options, as the CI runs
# a step) with `environment` (NAME=value items). "make all" becomes a
# stand-in toolchain that prints the file `printed` and exits with `exit`;
# "Quonvel --" becomes `quonvel --`, which may name no program. Sets
# ci_status, ci_out and ci_err.
function(ci_run script shell environment printed exit quonvel)
  string(REPLACE "make all" "sh -c 'cat ${printed} && exit ${exit}'" script "${script}")
  string(REPLACE "Quonvel --" "${quonvel} --" script "${script}")
  file(WRITE ${WORK}/step.sh "${script}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORK}:$ENV{PATH}" ${environment} ${shell} step.sh
    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
    TIMEOUT 120)
  set(ci_status "${status}" PARENT_SCOPE)
  set(ci_out "${out}" PARENT_SCOPE)
  set(ci_err "${err}" PARENT_SCOPE)
endfunction()

# The build step of a recipe, `script`, for each case of the table below:
# what the toolchain prints and its exit code, whether Quonvel is there;
# the step's exit status, the diagnostics it shows (in a layout that
# ci_read() reads, those without a source file at the log, `log`) and no
# other line, standard error (the summary line last, after the failure's
# report when the build failed without a diagnostic, else nothing), and the
# log kept as `log`: every byte the
# toolchain printed, or none when Quonvel is missing and the toolchain must
# not run. A recipe's test may define ci_check_case(printed exit quonvel
# severities) for more checks.
function(ci_build_cases what script shell environment log)
  # printed, toolchain exit, Quonvel, step status, severities shown
  set(cases
    "sample.log 2 Quonvel 2 error|warning|note"
    "sample.log 0 Quonvel 1 error|warning|note"
    "warnings.log 0 Quonvel 0 warning|note"
    "nothing.log 2 Quonvel 2 none"
    "nothing.log 0 Quonvel 0 none"
    "sample.log 0 quonvel-missing 127 none")
  foreach(case IN LISTS cases)
    string(REPLACE " " ";" case "${case}")
    list(GET case 0 printed)
    list(GET case 1 exit)
    list(GET case 2 quonvel)
    list(GET case 3 status)
    list(GET case 4 severities)
    set(label "${what}, ${printed}, toolchain exit ${exit}, ${quonvel}")
    file(REMOVE ${WORK}/${log})
    ci_run("${script}" "${shell}" "${environment}" ${printed} ${exit} ${quonvel})
    if(NOT ci_status STREQUAL status)
      message(SEND_ERROR "${label}: exit status ${ci_status}, expected ${status}:\n${ci_out}${ci_err}")
    endif()
    if(quonvel STREQUAL "Quonvel")
      file(SHA256 ${WORK}/${printed} printedHash)
      set(logHash "no log")
      if(EXISTS ${WORK}/${log})
        file(SHA256 ${WORK}/${log} logHash)
      endif()
      if(NOT logHash STREQUAL printedHash)
        message(SEND_ERROR "${label}: ${log} is not what the toolchain printed")
      endif()
      ci_expected("${severities}" "${log}" TRUE TRUE expected)
      ci_read("${ci_out}")
      ci_compare("${label}, diagnostics" "${expected}" "${ci_records}")
      ci_compare("${label}, other lines" "" "${ci_others}")
      ci_summary("${expected}" "${log}" summary)
      set(failure "")
      if(NOT exit EQUAL 0 AND severities STREQUAL "none")
        set(failure "${CI_FAILURE_REPORT}")
      endif()
      if(NOT ci_err MATCHES "^${failure}${summary}$")
        message(SEND_ERROR "${label}: standard error is not \"${failure}${summary}\":\n${ci_err}")
      endif()
      list(LENGTH ci_records count)
      message(STATUS "${label}: ${count} diagnostics compared")
    elseif(EXISTS ${WORK}/${log})
      message(SEND_ERROR "${label}: the toolchain ran")
    endif()
    if(COMMAND ci_check_case)
      ci_check_case(${printed} ${exit} ${quonvel} "${severities}")
    endif()
  endforeach()
endfunction()
