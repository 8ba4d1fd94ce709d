# Runs the steps of examples/github/tricore-sarif.yml that call Quonvel, as
# GitHub's bash runs them (bash --noprofile --norc -eo pipefail), with a
# stand-in toolchain that writes the sample log.
#
#   cmake -DWORKFLOW=<tricore-sarif.yml> -DSAMPLE=<sample log> -DGOLDEN=<gcc golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> -P github_workflow.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY_FILE ${SAMPLE} ${WORK}/sample.log)
# A failure that holds no diagnostic.
set(nothing "make: *** No rule to make target 'all'.  Stop.\n")
file(WRITE ${WORK}/nothing.log "${nothing}")
file(COPY ${QUONVEL} DESTINATION ${WORK})

# The script of the step `name`: its "run: |" or "run: >" block. The lines
# as list items, with the characters that lists take for themselves (a
# semicolon, a backslash before the line end) spelled out.
file(READ ${WORKFLOW} workflow)
string(REPLACE ";" "<semicolon>" workflow "${workflow}")
string(REPLACE "\\" "<backslash>" workflow "${workflow}")
string(REPLACE "\n" ";" workflow "${workflow}")
function(step_script name result)
  set(state before)
  set(script "")
  foreach(line IN LISTS workflow)
    if(state STREQUAL "before" AND line STREQUAL "      - name: ${name}")
      set(state step)
    elseif(state STREQUAL "step" AND line MATCHES "^        run: ([|>])$")
      set(state run)
      set(join " ")
      if(CMAKE_MATCH_1 STREQUAL "|")
        set(join "\n")
      endif()
    elseif(state STREQUAL "run")
      if(NOT line MATCHES "^          (.*)$")
        break()
      endif()
      string(APPEND script "${CMAKE_MATCH_1}${join}")
    endif()
  endforeach()
  if(script STREQUAL "")
    message(FATAL_ERROR "no script for the step ${name}")
  endif()
  string(REPLACE "<semicolon>" ";" script "${script}")
  string(REPLACE "<backslash>" "\\" script "${script}")
  set(${result} "${script}" PARENT_SCOPE)
endfunction()

# Runs the step `name` with a stand-in toolchain that prints the file
# `printed` and exits with `toolchainExit`.
function(run_step name printed toolchainExit result output)
  step_script("${name}" script)
  string(REPLACE "make all" "(cat ${printed}; exit ${toolchainExit})" script "${script}")
  file(WRITE ${WORK}/step.sh "${script}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORK}:$ENV{PATH}" GITHUB_OUTPUT=${WORK}/output
      bash --noprofile --norc -eo pipefail step.sh
    WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result} "${status}" PARENT_SCOPE)
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

# The job log shows the gcc layout of the piped log ("-"), or the end of the
# log when a failure holds no diagnostic; the step output the toolchain's
# status, and the log keeps every byte.
file(READ ${GOLDEN} diagnostics)
string(REPLACE "{log}" "-" diagnostics "${diagnostics}")
function(build printed toolchainExit expected)
  file(REMOVE ${WORK}/output)
  run_step("Build" ${printed} ${toolchainExit} result output)
  file(READ ${WORK}/output status)
  file(SHA256 ${WORK}/${printed} printedHash)
  file(SHA256 ${WORK}/tricore-build.log logHash)
  set(what "Build, ${printed}, toolchain exit ${toolchainExit}")
  if(NOT result EQUAL 0 OR NOT output STREQUAL expected OR NOT status STREQUAL
     "status=${toolchainExit}\n" OR NOT logHash STREQUAL printedHash)
    message(SEND_ERROR "${what}: exit status ${result}, step output \"${status}\", "
                       "the log ${logHash}, not ${printedHash}:\n${output}")
  else()
    message(STATUS "${what}: ok")
  endif()
endfunction()
build(nothing.log 2 "The TriCore build failed (exit code 2) without a diagnostic; the end of tricore-build.log:\n${nothing}")
build(nothing.log 0 "")
build(sample.log 2 "${diagnostics}")
build(sample.log 0 "${diagnostics}")

# Every SARIF result of the last build's log has a location for code scanning.
run_step("Diagnostics as SARIF" sample.log 0 result output)
file(READ ${WORK}/quonvel.sarif sarif)
string(JSON results LENGTH "${sarif}" runs 0 results)
set(unlocated 0)
math(EXPR last "${results} - 1")
foreach(i RANGE ${last})
  string(JSON uri ERROR_VARIABLE missing
    GET "${sarif}" runs 0 results ${i} locations 0 physicalLocation artifactLocation uri)
  string(JSON line ERROR_VARIABLE missingLine
    GET "${sarif}" runs 0 results ${i} locations 0 physicalLocation region startLine)
  if(missing OR missingLine OR uri STREQUAL "")
    math(EXPR unlocated "${unlocated} + 1")
  endif()
endforeach()
if(NOT result EQUAL 0 OR results LESS 9 OR NOT unlocated EQUAL 0)
  message(SEND_ERROR "Diagnostics as SARIF: exit status ${result}, ${results} results, "
                     "${unlocated} without a location:\n${output}")
else()
  message(STATUS "Diagnostics as SARIF: ok")
endif()
