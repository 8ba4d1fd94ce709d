# Checks the build date stamping for fixed SOURCE_DATE_EPOCH values:
# cmake -DWORK_DIR=<folder> -P VersionBuildDateTest.cmake
set(cases
  "1609848000|Jan  5 2021"   # a day before the 10th gets a blank, not a zero
  "1609459199|Dec 31 2020"   # one second before midnight UTC
  "1791590400|Oct 10 2026")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 epoch)
  list(GET case 1 expected)
  set(header ${WORK_DIR}/build_date_${epoch}.h)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
      ${CMAKE_COMMAND} -DTEMPLATE=${CMAKE_CURRENT_LIST_DIR}/../res/build_date.h.in
      -DOUTPUT=${header} -P ${CMAKE_CURRENT_LIST_DIR}/VersionBuildDate.cmake
    RESULT_VARIABLE failed)
  file(STRINGS ${header} define REGEX "QUONVEL_BUILD_DATE")
  if(failed OR NOT define STREQUAL "#define QUONVEL_BUILD_DATE \"${expected}\"")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH=${epoch}: got '${define}', expected '${expected}'")
  endif()
endforeach()
