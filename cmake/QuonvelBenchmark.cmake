# Google Benchmark for the micro-benchmarks of the bench preset: an installed
# package only (Debian libbenchmark-dev, vcpkg); without one, configure stops
# at once and says what to do.
include(${CMAKE_CURRENT_LIST_DIR}/QuonvelDownload.cmake)
find_package(benchmark QUIET)
if(NOT TARGET benchmark::benchmark)
  quonvel_missing_dependency("Google Benchmark (needed by QUONVEL_BUILD_BENCH, the bench preset)"
    "No installed package (a -Dbenchmark_DIR=<its CMake folder> names one)."
    "leave QUONVEL_BUILD_BENCH off (every preset but bench does)."
    "Debian/Ubuntu: sudo apt-get install libbenchmark-dev"
    "vcpkg:         vcpkg install benchmark, and configure with its toolchain file")
endif()
