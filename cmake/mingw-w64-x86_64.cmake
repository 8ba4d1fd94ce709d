# Cross build for 64-bit Windows with MinGW-w64 from Linux; the tests run
# under Wine, which ctest and gtest_discover_tests start through the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quonvel_mingw_prefix x86_64-w64-mingw32)
# The posix thread model gives the full C++ thread library (std::thread,
# std::mutex) that the win32 model of GCC 12 lacks; -static links its
# winpthread in, so no DLL has to travel with the executable.
find_program(CMAKE_C_COMPILER NAMES ${quonvel_mingw_prefix}-gcc-posix ${quonvel_mingw_prefix}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${quonvel_mingw_prefix}-g++-posix ${quonvel_mingw_prefix}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${quonvel_mingw_prefix}-windres)
if(NOT CMAKE_C_COMPILER OR NOT CMAKE_CXX_COMPILER OR NOT CMAKE_RC_COMPILER)
  message(FATAL_ERROR "MinGW-w64 for x86_64 (${quonvel_mingw_prefix}-g++, -windres) not found.\n"
    "Debian/Ubuntu: sudo apt-get install g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 "
    "(the tests also need wine wine64 googletest nlohmann-json3-dev)")
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${quonvel_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Quonvel.exe and the test programs must start on a Windows machine without
# the MinGW runtime DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(quonvel_wine NAMES wine wine64)
if(quonvel_wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${quonvel_wine})
endif()
