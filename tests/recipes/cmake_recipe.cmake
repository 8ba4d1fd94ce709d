# Builds examples/cmake as a user would, with a stand-in toolchain, and
# checks when the step runs and what the build shows.
#
#   cmake -DRECIPE=<examples/cmake> -DWORK=<scratch dir> -DQUONVEL=<exe>
#         -DSAMPLE=<sample log> -DGENERATOR=<generator> [-DLIVE=ON] -P cmake_recipe.cmake
include(${CMAKE_CURRENT_LIST_DIR}/check_build.cmake)
set(src ${WORK}/ecu)
set(build ${WORK}/build)
set(runs ${WORK}/runs.txt)
set(fail ${WORK}/fail)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${src})
file(WRITE ${src}/main.c "int main(void) { return 0; }\n")
# A copy, so that the test can take it away after configuring.
get_filename_component(quonvelName "${QUONVEL}" NAME)
file(COPY ${QUONVEL} DESTINATION ${WORK}/bin)
set(quonvel ${WORK}/bin/${quonvelName})
if(NOT DEFINED LIVE)
  set(LIVE OFF)
endif()

# Configures with the recipe's default layout; checks the outcome as a build's.
function(configure what quonvel outcome expectedRuns shown)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${RECIPE} -B ${build} -G ${GENERATOR}
      -DQUONVEL_EXECUTABLE=${quonvel} -DQUONVEL_LIVE=${LIVE} -DTRICORE_SOURCE_DIR=${src}
      "-DTRICORE_BUILD_COMMAND=${CMAKE_COMMAND};-DRUNS=${runs};-DSAMPLE=${SAMPLE};-DFAIL=${fail};-P;${CMAKE_CURRENT_LIST_DIR}/fake_toolchain.cmake"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  check_build("${what}" "${result}" "${output}" ${runs} ${outcome} ${expectedRuns} "${shown}"
    "")
endfunction()

# The msbuild layout, and a diagnostic that follows an echoed cptc command
# line in the sample log (the msvc layout loses it).
set(diagnostic "src/app/motor.cpp\\(57\\): error cptcE1234: identifier \"speedLimit\" is undefined")
# Builds once and checks the build (see check_build.cmake).
function(build what outcome expectedRuns shown hidden)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  wait_past_build(${WORK}/built)
  check_build("${what}" "${result}" "${output}" ${runs} ${outcome} ${expectedRuns} "${shown}"
    "${hidden}")
endfunction()

configure("configure" ${quonvel} passes 0 "")
build("first build" passes 1 "${diagnostic}" "")
build("nothing changed" passes 1 "" "${diagnostic};TriCore toolchain step")
file(TOUCH ${src}/main.c)
build("a source touched" passes 2 "${diagnostic}" "")
file(WRITE ${src}/new.h "")
build("a source added" passes 3 "${diagnostic}" "")
file(REMOVE ${src}/new.h)
build("a source removed" passes 4 "${diagnostic}" "")
build("nothing changed since" passes 4 "" "${diagnostic};TriCore toolchain step")
file(TOUCH ${fail})
file(TOUCH ${src}/main.c)
build("the toolchain fails" fails 5
  "${diagnostic};The TriCore toolchain failed \\(exit code [13]\\)" "")
build("a failed step runs again" fails 6 "${diagnostic}" "")
file(REMOVE ${fail})
build("the toolchain passes again" passes 7 "${diagnostic}" "")
file(REMOVE ${quonvel})
file(TOUCH ${src}/main.c)
build("Quonvel gone after configure" fails 7 "Quonvel not found;${quonvelName}" "")
configure("Quonvel missing at configure" ${WORK}/no-such-Quonvel fails 7
  "Quonvel not found;no-such-Quonvel")
