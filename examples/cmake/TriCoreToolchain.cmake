# A CMake toolchain file for the TASKING TriCore tools that compiles and links
# through Quonvel, as ccache does (a compiler launcher): each compile and each
# link shows its diagnostics converted, and fails with the tool's exit code.
# For a project whose own CMakeLists.txt builds the firmware:
#
#   cmake -S ecu -B build/ecu --toolchain /path/to/TriCoreToolchain.cmake
#   cmake --build build/ecu
#
# cctc is the control program that runs ctc, cptc, astc and ltc; give its
# path when it is not on PATH (-DCMAKE_C_COMPILER=...).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_C_COMPILER cctc)
set(CMAKE_CXX_COMPILER cctc)

# Looked for again when the cached path leads nowhere (see CMakeLists.txt).
if(NOT EXISTS "${QUONVEL_EXECUTABLE}" OR IS_DIRECTORY "${QUONVEL_EXECUTABLE}")
  unset(QUONVEL_EXECUTABLE CACHE)
endif()
find_program(QUONVEL_EXECUTABLE Quonvel REQUIRED DOC "The Quonvel executable")
# CMake's test compiles read this file again, without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUONVEL_EXECUTABLE)
set(quonvel ${QUONVEL_EXECUTABLE} --TypCC=TriCore --Format=msbuild --)
set(CMAKE_C_COMPILER_LAUNCHER ${quonvel})
set(CMAKE_CXX_COMPILER_LAUNCHER ${quonvel})
set(CMAKE_C_LINKER_LAUNCHER ${quonvel})
set(CMAKE_CXX_LINKER_LAUNCHER ${quonvel})
