# GoogleTest for the tests. A native build takes the installed package. A cross
# build cannot link the build machine's libraries, so it compiles GoogleTest for
# the target from the sources that Debian's libgtest-dev ships; so does a
# native build on a machine without the package but with those sources.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
endif()

if(NOT TARGET GTest::gtest)
  set(QUONVEL_GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "GoogleTest sources built when no installed package fits the target")
  if(NOT EXISTS ${QUONVEL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest not found: install libgtest-dev or set QUONVEL_GOOGLETEST_SOURCE_DIR")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # MSVC: the same dynamic C runtime as the rest of the project.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${QUONVEL_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
