# Builds a small C project with examples/cmake/TriCoreToolchain.cmake, which
# compiles and links through Quonvel, with a stand-in compiler that writes
# the sample log, and checks what the build shows.
#
#   cmake -DTOOLCHAIN=<TriCoreToolchain.cmake> -DWORK=<scratch dir> -DQUONVEL=<exe>
#         -DSAMPLE=<sample log> -DGENERATOR=<generator> -P cmake_launcher.cmake
include(${CMAKE_CURRENT_LIST_DIR}/check_build.cmake)
set(src ${WORK}/ecu)
set(build ${WORK}/build)
set(runs ${WORK}/runs.txt)
set(fail ${WORK}/fail)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${src} ${WORK}/bin)
file(WRITE ${src}/main.c "int main(void) { return 0; }\n")
file(WRITE ${src}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Ecu C)
add_executable(ecu_app main.c)
")
# The stand-in for cctc. CMake cannot identify it, so it is named TASKING's
# compiler here, as CMake would have found a real one.
file(WRITE ${WORK}/bin/cctc "#!/bin/sh
exec '${CMAKE_COMMAND}' -DRUNS=${runs} -DSAMPLE=${SAMPLE} -DFAIL=${fail} -P ${CMAKE_CURRENT_LIST_DIR}/fake_toolchain.cmake -- \"$@\"
")
file(CHMOD ${WORK}/bin/cctc PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE ${WORK}/toolchain.cmake "include(${TOOLCHAIN})
set(CMAKE_C_COMPILER ${WORK}/bin/cctc)
set(CMAKE_C_COMPILER_ID Tasking)
set(CMAKE_C_COMPILER_ID_RUN TRUE)
set(CMAKE_C_COMPILER_FORCED TRUE)
set(CMAKE_C_COMPILER_VERSION 6.3)
set(CMAKE_C_COMPILER_ARCHITECTURE_ID TriCore)
")

set(diagnostic "src/app/motor.cpp\\(57\\): error cptcE1234: identifier \"speedLimit\" is undefined")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${src} -B ${build} -G ${GENERATOR}
    --toolchain ${WORK}/toolchain.cmake -DQUONVEL_EXECUTABLE=${QUONVEL}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
check_build("configure" "${result}" "${output}" ${runs} passes 0 "" "")
# Builds once and checks the build (see check_build.cmake).
function(build what outcome expectedRuns shown)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${build}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  wait_past_build(${WORK}/built)
  check_build("${what}" "${result}" "${output}" ${runs} ${outcome} ${expectedRuns} "${shown}"
    "")
endfunction()

# A compile and a link each time, both through Quonvel.
build("first build" passes 2 "${diagnostic}.*${diagnostic}")
build("nothing changed" passes 2 "")
file(TOUCH ${fail})
file(TOUCH ${src}/main.c)
build("the compiler fails" fails 3 "${diagnostic}")
file(REMOVE ${fail})
build("the compiler passes again" passes 5 "${diagnostic}.*${diagnostic}")
