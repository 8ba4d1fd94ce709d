# Builds examples/cmake as a user would, with a stand-in toolchain, and
# checks when the step runs and what the build shows.
#
#   cmake -DRECIPE=<examples/cmake> -DWORK=<scratch dir> -DQUONVEL=<exe>
#         -DSAMPLE=<sample log> -DGENERATOR=<generator> -P cmake_recipe.cmake
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

# Configures with the recipe's default layout and the arguments given after
# `shown` (on top of the cache); checks the outcome as a build's.
function(configure what outcome expectedRuns shown)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${RECIPE} -B ${build} -G ${GENERATOR} ${ARGN}
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

# A wrong path, then Quonvel on PATH: the second configure finds it.
configure("Quonvel not at the path given" fails 0 "Quonvel not found"
  -DQUONVEL_EXECUTABLE=${WORK}/no-such-Quonvel -DTRICORE_SOURCE_DIR=${src})
set(ENV{PATH} "${WORK}/bin:$ENV{PATH}")
configure("Quonvel on PATH, no sources" fails 0
  "TRICORE_SOURCE_DIR is not a folder:;no-such-ecu" -DTRICORE_SOURCE_DIR=${WORK}/no-such-ecu)
configure("Quonvel on PATH, configured again" passes 0 "" -DTRICORE_SOURCE_DIR=${src})
build("first build" passes 1 "${diagnostic}" "")
file(SHA256 ${SAMPLE} printed)
file(SHA256 ${build}/tricore-build.log kept)
if(NOT kept STREQUAL printed)
  message(SEND_ERROR "first build: tricore-build.log is not what the toolchain printed")
endif()
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
build("the toolchain fails" fails 5 "${diagnostic}" "")
build("a failed step runs again" fails 6 "${diagnostic}" "")
file(REMOVE ${fail})
build("the toolchain passes again" passes 7 "${diagnostic}" "")
file(REMOVE ${quonvel})
file(TOUCH ${src}/main.c)
build("Quonvel gone after configure" fails 7 "${quonvelName}" "")
configure("Quonvel gone, configured again" fails 7 "Quonvel not found")
