# Runs the script and the after_script of examples/gitlab/.gitlab-ci.yml as
# GitLab Runner's bash runs them (errexit and pipefail), with a stand-in
# toolchain that writes the sample log under a Windows checkout
# (CI_PROJECT_DIR); reads back the job log's gcc lines and the Code Quality
# report named under artifacts:reports.
#
#   cmake -DRECIPE=<.gitlab-ci.yml> -DSAMPLE=<sample log> -DGOLDEN=<gcc golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> -DPYTHON=<python3 with PyYAML>
#         -P gitlab_ci.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ci_steps.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${QUONVEL} DESTINATION ${WORK})
set(root "C:\\GitLab-Runner\\builds\\t1_abc\\0\\ecu\\ecu")
ci_toolchain_logs(${SAMPLE} ${GOLDEN} "${root}")

ci_yaml(${RECIPE} "tricore-build;artifacts;paths;0" log)
ci_yaml(${RECIPE} "tricore-build;artifacts;reports;codequality" report)
ci_yaml(${RECIPE} "tricore-build;script;0" build)
ci_yaml(${RECIPE} "tricore-build;after_script;0" report_step)
set(shell bash --noprofile --norc -eo pipefail)
set(environment "CI_PROJECT_DIR=${root}")

# The report that the after_script writes: one issue for each diagnostic,
# the sources' relative to the checkout, the others at the log's line; none
# when Quonvel is missing.
function(ci_check_case printed exit quonvel severities)
  set(what "Report, ${printed}, toolchain exit ${exit}, ${quonvel}")
  ci_run("${report_step}" "${shell}" "${environment}" ${printed} ${exit} ${quonvel})
  if(NOT quonvel STREQUAL "Quonvel")
    if(EXISTS ${WORK}/${report})
      message(SEND_ERROR "${what}: a report")
    endif()
    return()
  endif()
  file(READ ${WORK}/${report} json)
  file(REMOVE ${WORK}/${report})
  string(JSON count LENGTH "${json}")
  set(issues "")
  set(i 0)
  while(i LESS count)
    string(JSON issue GET "${json}" ${i})
    math(EXPR i "${i} + 1")
    string(JSON check GET "${issue}" check_name)
    string(REGEX REPLACE "^([a-z]+)" "\\1 " check "${check}")
    string(JSON severity GET "${issue}" severity)
    if(severity MATCHES "^(blocker|major)$")
      set(severity error)
    elseif(severity STREQUAL "minor")
      set(severity warning)
    elseif(severity STREQUAL "info")
      set(severity note)
    endif()
    string(JSON text GET "${issue}" description)
    string(JSON path GET "${issue}" location path)
    string(JSON line GET "${issue}" location lines begin)
    ci_lines("${severity}|${check}|${path}|${line}||${text}|" record)
    list(APPEND issues "${record}")
  endwhile()
  ci_expected("${severities}" "${log}" FALSE FALSE expected)
  ci_compare("${what}" "${expected}" "${issues}")
  message(STATUS "${what}: ${count} issues compared")
endfunction()

ci_build_cases("Script" "${build}" "${shell}" "${environment}" ${log})
