# Runs the build step of examples/azure/azure-pipelines.yml as Azure's script
# step runs it on Linux: the macros replaced by their values, then a script
# file under bash without -e or pipefail. A stand-in toolchain writes the sample log
# under a Windows checkout ($(Build.SourcesDirectory)); the issues are read
# back.
#
#   cmake -DRECIPE=<azure-pipelines.yml> -DSAMPLE=<sample log> -DGOLDEN=<gcc golden>
#         -DQUONVEL=<exe> -DWORK=<scratch dir> -DPYTHON=<python3 with PyYAML>
#         -P azure_pipelines.cmake
include(${CMAKE_CURRENT_LIST_DIR}/ci_steps.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${QUONVEL} DESTINATION ${WORK})
set(root "C:\\agent\\_work\\1\\s")
ci_toolchain_logs(${SAMPLE} ${GOLDEN} "${root}")

# The log that the artifact keeps is the one the build step writes.
ci_yaml(${RECIPE} "steps;publish^=;publish" log)
ci_yaml(${RECIPE} "steps;script^=;script" build)
string(REPLACE "$(Build.SourcesDirectory)" "${root}" build "${build}")
ci_build_cases("Build" "${build}" "bash;--noprofile;--norc" "" ${log})
