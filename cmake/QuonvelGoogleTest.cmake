# GoogleTest for the tests, taken from the first of these that works:
# 1. an installed package (Debian libgtest-dev, vcpkg, a -DGTest_DIR); not in a
#    cross build, which cannot link the build machine's libraries;
# 2. the sources in QUONVEL_GOOGLETEST_SOURCE_DIR, by default the folder that
#    Debian's googletest package installs;
# 3. a pinned release fetched with FetchContent, unless
#    QUONVEL_GOOGLETEST_FETCH is off (CI machines reach no network but the
#    package mirror).
# When none works, configure stops and says how to get it, or how to build the
# tool without the tests.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()
if(TARGET GTest::gtest)
  return()
endif()

set(QUONVEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources built when no installed package fits the target")
option(QUONVEL_GOOGLETEST_FETCH "Download GoogleTest when it is neither installed nor found as sources" ON)

# Built as part of this project: no gmock, nothing installed with Quonvel, and
# (MSVC) the same dynamic C runtime as the rest of the project.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)

if(EXISTS ${QUONVEL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  add_subdirectory(${QUONVEL_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
elseif(QUONVEL_GOOGLETEST_FETCH)
  # Downloaded by hand first, so that a machine without network gets the
  # message below rather than a failed sub-build; FetchContent then checks
  # the hash and unpacks it.
  set(url https://github.com/google/googletest/archive/refs/tags/v1.14.0.tar.gz)
  set(sha256 8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7)
  set(archive ${CMAKE_BINARY_DIR}/_deps/googletest-1.14.0.tar.gz)
  set(got "")
  if(EXISTS ${archive})
    file(SHA256 ${archive} got)
  endif()
  if(NOT got STREQUAL sha256)
    message(STATUS "Downloading GoogleTest 1.14.0 from ${url}")
    file(DOWNLOAD ${url} ${archive} STATUS status INACTIVITY_TIMEOUT 30 TLS_VERIFY ON)
    list(GET status 0 failed)
    if(failed)
      list(GET status 1 reason)
      set(download_failure "\nThe download of ${url} failed: ${reason}")
      file(REMOVE ${archive})
    endif()
  endif()
  if(EXISTS ${archive})
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
  message(FATAL_ERROR
    "GoogleTest not found: no installed package, no sources in "
    "QUONVEL_GOOGLETEST_SOURCE_DIR (${QUONVEL_GOOGLETEST_SOURCE_DIR}), no download."
    "${download_failure}\n"
    "To build and run the tests, get it in one of these ways:\n"
    "  Debian/Ubuntu: sudo apt-get install libgtest-dev\n"
    "  vcpkg:         vcpkg install gtest, and configure with its toolchain file\n"
    "  sources:       -DQUONVEL_GOOGLETEST_SOURCE_DIR=<googletest checkout>\n"
    "  download:      with access to github.com and -DQUONVEL_GOOGLETEST_FETCH=ON (the default)\n"
    "To build Quonvel alone, without the tests:\n"
    "  cmake --workflow --preset tool\n"
    "  (or configure with -DBUILD_TESTING=OFF)")
endif()
