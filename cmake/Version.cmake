# The program's version information, written down once here. The project
# version gives the numbers; the texts below complete the resource. Both
# platform forms are generated from these values:
#   Windows: res/Quonvel.rc.in, the VERSIONINFO resource of Quonvel.exe;
#   elsewhere: res/version_values.h.in, the values of the version record that
#   src/app/version_banner_posix.cpp compiles into the executable.
# The build date is stamped at every build by cmake/VersionBuildDate.cmake.

# Three numbers: --version, the packages, the SARIF log and the tests all
# show major.minor.patch, and take it from project() as it is written.
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "project(Quonvel VERSION ${PROJECT_VERSION}): write the version as "
                      "major.minor.patch, such as 1.2.0.")
endif()
set(QUONVEL_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(QUONVEL_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(QUONVEL_VERSION_PATCH ${PROJECT_VERSION_PATCH})
# Windows' file version has a fourth number: 0.
set(QUONVEL_VERSION_TWEAK 0)
set(QUONVEL_VERSION_TEXT
  "${QUONVEL_VERSION_MAJOR}.${QUONVEL_VERSION_MINOR}.${QUONVEL_VERSION_PATCH}.${QUONVEL_VERSION_TWEAK}")
set(QUONVEL_VERSION_COMMAS
  "${QUONVEL_VERSION_MAJOR},${QUONVEL_VERSION_MINOR},${QUONVEL_VERSION_PATCH},${QUONVEL_VERSION_TWEAK}")

set(QUONVEL_COMPANY_NAME "Quonvel developers")
set(QUONVEL_FILE_DESCRIPTION
  "Formats the TriCore toolchain's output messages for the MSVC output window.")
set(QUONVEL_INTERNAL_NAME "Quonvel")
set(QUONVEL_PRODUCT_NAME "Quonvel")
# One line, and the licence of LICENSE at the root.
set(QUONVEL_LEGAL_COPYRIGHT "Copyright (C) 2026 Quonvel developers. MIT License.")
# The executable's own name on the target platform: Quonvel.exe on Windows.
set(QUONVEL_ORIGINAL_FILENAME "Quonvel${CMAKE_EXECUTABLE_SUFFIX}")

set(QUONVEL_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/res/Quonvel.rc.in ${QUONVEL_GENERATED_DIR}/Quonvel.rc @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/version_values.h.in
  ${QUONVEL_GENERATED_DIR}/version_values.h @ONLY)

# Runs at every build, not only at configure time, so that the date is the
# day of the build; the header is rewritten only when the date changed.
add_custom_target(quonvel_build_date
  COMMAND ${CMAKE_COMMAND}
    -DTEMPLATE=${PROJECT_SOURCE_DIR}/res/build_date.h.in
    -DOUTPUT=${QUONVEL_GENERATED_DIR}/build_date.h
    -P ${PROJECT_SOURCE_DIR}/cmake/VersionBuildDate.cmake
  BYPRODUCTS ${QUONVEL_GENERATED_DIR}/build_date.h
  COMMENT "Stamping the build date"
  VERBATIM)

if(WIN32)
  enable_language(RC)
endif()

# Windows: the application manifest (UTF-8 code page, long paths) of Quonvel.exe
# and of the test programs that hand it such paths.
set(QUONVEL_MANIFEST ${QUONVEL_GENERATED_DIR}/Quonvel.manifest)
configure_file(${PROJECT_SOURCE_DIR}/res/Quonvel.manifest.in ${QUONVEL_MANIFEST} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/res/manifest.rc.in ${QUONVEL_GENERATED_DIR}/manifest.rc @ONLY)
# Called from other folders too, where this folder's variables are not set.
function(quonvel_embed_manifest target)
  if(MSVC)
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated/Quonvel.manifest)
  else()
    target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/generated/manifest.rc)
  endif()
endfunction()

if(QUONVEL_TESTS)
  add_test(NAME VersionBuildDate.StampsSourceDateEpoch
    COMMAND ${CMAKE_COMMAND} -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}
      -P ${PROJECT_SOURCE_DIR}/cmake/VersionBuildDateTest.cmake)
endif()
