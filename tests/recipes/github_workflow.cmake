# Runs the steps of examples/github/tricore-build.yml that call Quonvel as
# GitHub's bash runs them (bash --noprofile --norc -eo pipefail), with a
# stand-in toolchain that writes the sample log under a Windows checkout
# (github.workspace), and reads the annotations back.
#
#   cmake -DRECIPE=<tricore-build.yml> -DSAMPLE=<sample log> -DGOLDEN=<gcc golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> -DPYTHON=<python3 with PyYAML>
#         -P github_workflow.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ci_steps.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${QUONVEL} DESTINATION ${WORK})
set(root "C:\\actions-runner\\_work\\ecu\\ecu")
ci_toolchain_logs(${SAMPLE} ${GOLDEN} "${root}")
set(shell bash --noprofile --norc -eo pipefail)

# The log that the artifact keeps is the one the build step writes.
ci_yaml(${RECIPE} "jobs;build;steps;uses^=actions/upload-artifact@;with;path" log)
ci_yaml(${RECIPE} "jobs;build;steps;name=Build;run" build)
# GitHub puts the checkout's folder in place of the expression.
string(REPLACE "\${{ github.workspace }}" "${root}" build "${build}")
ci_build_cases("Build" "${build}" "${shell}" "" ${log})

# The optional SARIF: every result of the sample at its place, the sources'
# relative to the checkout, the others at the log's line.
file(COPY_FILE ${WORK}/sample.log ${WORK}/${log})
ci_yaml(${RECIPE} "jobs;build;steps;name=Diagnostics as SARIF;run" sarifStep)
string(REPLACE "\${{ github.workspace }}" "${root}" sarifStep "${sarifStep}")
ci_yaml(${RECIPE} "jobs;build;steps;uses^=github/codeql-action/upload-sarif@;with;sarif_file"
  sarifFile)
ci_run("${sarifStep}" "${shell}" "" sample.log 0 Quonvel)
file(READ ${WORK}/${sarifFile} sarif)
string(JSON count LENGTH "${sarif}" runs 0 results)
set(results "")
set(i 0)
while(i LESS count)
  string(JSON result GET "${sarif}" runs 0 results ${i})
  math(EXPR i "${i} + 1")
  string(JSON location GET "${result}" locations 0 physicalLocation)
  string(JSON rule GET "${result}" ruleId)
  string(REGEX REPLACE "^([a-z]+)" "\\1 " rule "${rule}")
  string(JSON level GET "${result}" level)
  string(JSON text GET "${result}" message text)
  string(JSON uri GET "${location}" artifactLocation uri)
  string(JSON line GET "${location}" region startLine)
  string(JSON column ERROR_VARIABLE none GET "${location}" region startColumn)
  if(none)
    set(column "")
  endif()
  ci_lines("${level}|${rule}|${uri}|${line}|${column}|${text}|" record)
  list(APPEND results "${record}")
endwhile()
ci_expected("error|warning|note" "${log}" TRUE FALSE expected)
ci_compare("Diagnostics as SARIF" "${expected}" "${results}")
if(NOT ci_status EQUAL 0 OR NOT ci_err STREQUAL "")
  message(SEND_ERROR "Diagnostics as SARIF: exit status ${ci_status}:\n${ci_out}${ci_err}")
endif()
message(STATUS "Diagnostics as SARIF: ${count} results compared")
