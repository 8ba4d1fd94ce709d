# Warnings are errors on every compiler we ship with.
add_library(quonvel_warnings INTERFACE)
if(MSVC)
  target_compile_options(quonvel_warnings INTERFACE /W4 /WX /permissive-)
  # fopen, getenv and the like are standard C++; the CRT's "use the _s
  # variant" deprecation would turn them into errors under /WX.
  target_compile_definitions(quonvel_warnings INTERFACE _CRT_SECURE_NO_WARNINGS)
  # Sources are UTF-8 (the tests' u8"журнал.log"); without a BOM MSVC would
  # read them in the machine's ANSI code page.
  target_compile_options(quonvel_warnings INTERFACE /utf-8)
else()
  target_compile_options(quonvel_warnings INTERFACE -Wall -Wextra -Werror)
endif()
