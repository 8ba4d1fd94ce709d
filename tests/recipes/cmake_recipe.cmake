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
if(NOT DEFINED LIVE)
  set(LIVE OFF)
endif()

function(configure quonvel)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${RECIPE} -B ${build} -G ${GENERATOR}
      -DQUONVEL_EXECUTABLE=${quonvel} -DQUONVEL_FORMAT=gcc -DQUONVEL_LIVE=${LIVE}
      -DTRICORE_SOURCE_DIR=${src}
      "-DTRICORE_BUILD_COMMAND=${CMAKE_COMMAND};-DRUNS=${runs};-DSAMPLE=${SAMPLE};-DFAIL=${fail};-P;${CMAKE_CURRENT_LIST_DIR}/fake_toolchain.cmake"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "configure failed:\n${output}")
  endif()
endfunction()

set(diagnostic "src/app/motor.cpp:57: error: identifier \"speedLimit\" is undefined \\[cptc E1234\\]")
# Builds once and checks the build (see check_build.cmake).
function(build what outcome expectedRuns shown hidden)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  check_build("${what}" "${result}" "${output}" ${runs} ${outcome} ${expectedRuns} "${shown}"
    "${hidden}")
endfunction()

configure(${QUONVEL})
build("first build" passes 1 "${diagnostic}" "")
build("nothing changed" passes 1 "" "${diagnostic};TriCore toolchain step")
file(TOUCH ${src}/main.c)
build("a source touched" passes 2 "${diagnostic}" "")
file(WRITE ${src}/new.h "")
build("a source added" passes 3 "${diagnostic}" "")
file(TOUCH ${fail})
file(TOUCH ${src}/main.c)
build("the toolchain fails" fails 4
  "${diagnostic};The TriCore toolchain failed \\(exit code [13]\\)" "")
build("a failed step runs again" fails 5 "${diagnostic}" "")
file(REMOVE ${fail})
build("the toolchain passes again" passes 6 "${diagnostic}" "")
configure(${WORK}/no-such-Quonvel)
file(TOUCH ${src}/main.c)
build("Quonvel missing" fails 6 "Quonvel not found;no-such-Quonvel" "")
