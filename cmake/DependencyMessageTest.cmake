# Configures the project with one dependency hidden and its download failing
# (a file:// URL that names nothing, as on a machine without network), and
# checks that configure stops and names the Debian package to install:
# cmake -DSOURCE_DIR=<project> -DWORK_DIR=<folder> -DCOMPILER=<c++> -DGENERATOR=<g> -P
set(hidden_gtest -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DQUONVEL_GOOGLETEST_SOURCE_DIR=${WORK_DIR}/none
    -DQUONVEL_GOOGLETEST_URL=file://${WORK_DIR}/none/googletest.tar.gz)
set(hidden_json -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON
    -DQUONVEL_JSON_URL=file://${WORK_DIR}/none/json.tar.xz)
set(hidden_benchmark -DQUONVEL_BUILD_BENCH=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON)
# Hidden dependencies | the packages that configure must name.
set(cases
  "gtest|libgtest-dev"
  "json|nlohmann-json3-dev"
  "gtest,json,benchmark|libgtest-dev,nlohmann-json3-dev,libbenchmark-dev")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 names)
  list(GET case 1 packages)
  string(REPLACE "," ";" names "${names}")
  string(REPLACE "," ";" packages "${packages}")
  set(flags "")
  foreach(name IN LISTS names)
    list(APPEND flags ${hidden_${name}})
  endforeach()
  file(REMOVE_RECURSE ${WORK_DIR}/case)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/case -G ${GENERATOR}
      -DCMAKE_CXX_COMPILER=${COMPILER} -DBUILD_TESTING=ON ${flags}
    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")
  foreach(package IN LISTS packages)
    if(NOT failed OR NOT err MATCHES "apt-get install ${package}")
      message(FATAL_ERROR "${names} hidden: configure ${failed}, without naming ${package}:\n${err}")
    endif()
  endforeach()
endforeach()
