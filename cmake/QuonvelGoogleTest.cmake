# GoogleTest for the tests, taken from the first of these that works:
# 1. an installed package (Debian libgtest-dev, vcpkg, a -DGTest_DIR); not in a
#    cross build, which cannot link the build machine's libraries;
# 2. the sources in QUONVEL_GOOGLETEST_SOURCE_DIR, by default the folder that
#    Debian's googletest package installs;
# 3. a pinned release downloaded from QUONVEL_GOOGLETEST_URL, unless
#    QUONVEL_GOOGLETEST_FETCH is off.
# When none works, configure stops at once and says how to get it, or how to
# build the tool without the tests.
include(${CMAKE_CURRENT_LIST_DIR}/QuonvelDownload.cmake)
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
if(TARGET GTest::gtest)
  return()
endif()

set(QUONVEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources built when no installed package fits the target")
option(QUONVEL_GOOGLETEST_FETCH "Download GoogleTest when it is neither installed nor found as sources" ON)
# A mirror may stand in for GitHub; the hash stays the release's.
set(QUONVEL_GOOGLETEST_URL https://github.com/google/googletest/archive/refs/tags/v1.14.0.tar.gz
    CACHE STRING "Where GoogleTest 1.14.0 is downloaded from")

# Built as part of this project: no gmock, nothing installed with Quonvel, and
# (MSVC) the same dynamic C runtime as the rest of the project.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)

set(download_failure "")
if(EXISTS ${QUONVEL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  add_subdirectory(${QUONVEL_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
elseif(QUONVEL_GOOGLETEST_FETCH)
  set(sha256 8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7)
  quonvel_download(googletest ${QUONVEL_GOOGLETEST_URL} ${sha256} archive download_failure)
  if(archive)
    include(FetchContent)
    FetchContent_Declare(googletest URL ${archive} URL_HASH SHA256=${sha256}
      DOWNLOAD_EXTRACT_TIMESTAMP ON)
    FetchContent_MakeAvailable(googletest)
  endif()
endif()

if(NOT TARGET GTest::gtest AND TARGET gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
if(NOT TARGET GTest::gtest)
  quonvel_missing_dependency("GoogleTest (needed by the tests)"
    "No installed package, no sources in QUONVEL_GOOGLETEST_SOURCE_DIR (${QUONVEL_GOOGLETEST_SOURCE_DIR}), no download.\n${download_failure}"
    "cmake --workflow --preset tool builds Quonvel alone (or configure with -DBUILD_TESTING=OFF)."
    "Debian/Ubuntu: sudo apt-get install libgtest-dev   (a cross build: googletest)"
    "vcpkg:         vcpkg install gtest, and configure with its toolchain file"
    "sources:       -DQUONVEL_GOOGLETEST_SOURCE_DIR=<googletest checkout>"
    "download:      with access to github.com and -DQUONVEL_GOOGLETEST_FETCH=ON (the default), or -DQUONVEL_GOOGLETEST_URL=<mirror of v1.14.0.tar.gz>")
endif()
